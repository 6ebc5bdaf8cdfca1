// Small random scenes for the reference tests of the first matting pass and
// the palette solver, in the references' plain form, and their conversion to
// and from the engine's arrays.
#ifndef TESTS_ENGINE_MATTING_REFERENCE_SCENE_H
#define TESTS_ENGINE_MATTING_REFERENCE_SCENE_H

#include "matting_reference.h"

#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace reference_scene {

namespace ref = matting_reference;
using classification::Box;

// ------------------------------------------------------------ conversions

template <typename Sample>
blitz::Array<orsine::utility::Colour<Sample>, 2> toEngine(const ref::Image& image) {
    auto a = classification::arrayOver<orsine::utility::Colour<Sample>>(
        Box(0, 0, image.rows - 1, image.columns - 1));
    for (int r = 0; r < image.rows; ++r)
        for (int c = 0; c < image.columns; ++c)
            for (int ch = 0; ch < 4; ++ch)
                a(r, c)[ch] = static_cast<Sample>(image.at(r, c)[ch]);
    return a;
}

inline classification::ByteArray toEngine(const ref::Bytes& bytes) {
    auto a = classification::arrayOver<unsigned char>(Box(0, 0, bytes.rows - 1, bytes.columns - 1));
    for (int r = 0; r < bytes.rows; ++r)
        for (int c = 0; c < bytes.columns; ++c)
            a(r, c) = bytes.at(r, c);
    return a;
}

template <typename Sample>
ref::Image fromEngine(const blitz::Array<orsine::utility::Colour<Sample>, 2>& a) {
    ref::Image image(a.extent(0), a.extent(1));
    for (int r = 0; r < image.rows; ++r)
        for (int c = 0; c < image.columns; ++c)
            for (int ch = 0; ch < 4; ++ch)
                image.at(r, c)[ch] = a(r, c)[ch];
    return image;
}

inline ref::Bytes fromEngine(const classification::ByteArray& a) {
    ref::Bytes bytes(a.extent(0), a.extent(1));
    for (int r = 0; r < bytes.rows; ++r)
        for (int c = 0; c < bytes.columns; ++c)
            bytes.at(r, c) = a(r, c);
    return bytes;
}

inline Box boxOf(const ref::Area& a) {
    return Box(a.firstRow, a.firstColumn, a.lastRow, a.lastColumn);
}

// ------------------------------------------------------------ random scenes

// A status image at status resolution and a photograph at `factor` times it:
// keep on one side of a random line, delete on the other, an unassigned band
// between them, islands and stray blend or unassigned pixels; the photograph
// mixes a foreground and a background colour across the band with noise, at a
// contrast anywhere from full scale down to a few hundredths of it.
struct Scene {
    int statusRows, statusColumns, factor;
    ref::Bytes status, plane;
    ref::Image source, output, analysis;
    ref::Area box; // the area marked for the pass

    Scene(std::mt19937& rng, const ref::SampleKind& kind, int factorIn, int rowsIn = 0,
          int columnsIn = 0)
        : factor(factorIn) {
        const auto uniform = [&](double lo, double hi) {
            return std::uniform_real_distribution<double>(lo, hi)(rng);
        };
        const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
        const int S = kind.fullScale;
        statusRows = rowsIn ? rowsIn : 5 + static_cast<int>(rng() % 10);
        statusColumns = columnsIn ? columnsIn : 5 + static_cast<int>(rng() % 12);
        status = ref::Bytes(statusRows, statusColumns);
        plane = ref::Bytes(statusRows, statusColumns);

        // Signed distance to a random line through the image, in status pixels.
        const double angle = uniform(0, 2 * M_PI);
        const double cr = uniform(0, statusRows), cc = uniform(0, statusColumns);
        const double band = std::vector<double>{0.0, 0.7, 1.5, 3.0}[rng() % 4];
        const auto side = [&](double r, double c) {
            return std::cos(angle) * (r - cr) + std::sin(angle) * (c - cc);
        };
        const bool noise = rng() % 6 == 0;
        for (int r = 0; r < statusRows; ++r) {
            for (int c = 0; c < statusColumns; ++c) {
                const double v = side(r + 0.5, c + 0.5);
                uint8_t s = v > band ? 0x02 : v < -band ? 0x04 : 0x01;
                if (noise) s = std::vector<uint8_t>{0x01, 0x02, 0x04}[rng() % 3];
                if (chance(0.04)) s = 0x01;
                if (chance(0.03)) s = 0x08;
                if (chance(0.03)) s = chance(0.5) ? 0x02 : 0x04;
                if (chance(0.01)) s = 0x06;
                status.at(r, c) = s;
            }
        }
        // The area of the pass: most of the image, marked 0x80, with a few
        // pixels already done.
        box = {static_cast<int>(rng() % 2), static_cast<int>(rng() % 2),
               statusRows - 1 - static_cast<int>(rng() % 2),
               statusColumns - 1 - static_cast<int>(rng() % 2)};
        for (int r = box.firstRow; r <= box.lastRow; ++r)
            for (int c = box.firstColumn; c <= box.lastColumn; ++c)
                status.at(r, c) |= chance(0.04) ? 0xC0 : 0x80;

        const int planeKind = static_cast<int>(rng() % 4);
        for (int r = 0; r < statusRows; ++r)
            for (int c = 0; c < statusColumns; ++c)
                plane.at(r, c) = static_cast<uint8_t>(planeKind == 0   ? 0
                                                      : planeKind == 1 ? 255
                                                      : planeKind == 2 ? rng() % 256
                                                                       : (r * 255) / statusRows);

        // Colours: foreground A and background B, `contrast` apart.
        const double contrast = S * std::pow(10.0, -uniform(0, 2.5));
        const double sigma = contrast * uniform(0, 0.3);
        double A[3], B[3];
        for (int ch = 0; ch < 3; ++ch) {
            A[ch] = uniform(0, S);
            B[ch] = std::clamp(A[ch] + uniform(-1, 1) * contrast, 0.0, double(S));
        }
        const int rows = statusRows * factor, columns = statusColumns * factor;
        source = ref::Image(rows, columns);
        output = ref::Image(rows, columns);
        std::normal_distribution<double> gauss(0.0, 1.0);
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < columns; ++j) {
                const double v = side((i + 0.5) / factor, (j + 0.5) / factor);
                const double alpha = std::clamp(0.5 + v / (2 * band + 1), 0.0, 1.0);
                ref::Pixel& p = source.at(i, j);
                for (int ch = 0; ch < 3; ++ch) {
                    const double value =
                        noise ? uniform(0, S)
                              : alpha * A[ch] + (1 - alpha) * B[ch] + sigma * gauss(rng);
                    p[ch] = std::clamp(static_cast<int>(std::lround(value)), 0, S);
                }
                p[3] = S;
                if (chance(0.04)) p[3] = static_cast<int>(rng() % S);
                if (S == 32768 && chance(0.02)) p[3] = 40000; // above full scale: opaque
                for (int ch = 0; ch < 4; ++ch)
                    output.at(i, j)[ch] = static_cast<int>(rng() % (S + 1));
            }
        }
        // The 8-bit analysis image: the source narrowed and averaged per status pixel.
        analysis = ref::Image(statusRows, statusColumns);
        for (int r = 0; r < statusRows; ++r) {
            for (int c = 0; c < statusColumns; ++c) {
                for (int ch = 0; ch < 3; ++ch) {
                    double sum = 0;
                    for (int i = 0; i < factor; ++i)
                        for (int j = 0; j < factor; ++j)
                            sum += source.at(r * factor + i, c * factor + j)[ch];
                    analysis.at(r, c)[ch] = std::clamp(
                        static_cast<int>(std::lround(sum / (factor * factor) / kind.estimateScale)),
                        0, 255);
                }
                analysis.at(r, c)[3] = 255;
            }
        }
    }
};

// A factor near `start` for which an output index x has the status weight
// `target` on its lower bilinear corner, upper + 0.5 - (x + 0.5) / factor, in
// single precision. Returns 0 when none is found.
inline float factorGivingWeight(float target, int x, int upper) {
    float f = static_cast<float>((x + 0.5) / (upper + 0.5 - target));
    for (int step = 0; step < 4000; ++step) {
        const float centre = (static_cast<float>(x) + 0.5f) / f;
        const float weight = static_cast<float>(upper) + 0.5f - centre;
        if (weight == target && static_cast<int>(std::floor(centre + 0.5f)) == upper &&
            static_cast<int>(std::floor(centre - 0.5f)) == upper - 1)
            return f;
        f = std::nextafter(f, weight < target ? 100.0f : 0.0f);
    }
    return 0.0f;
}

} // namespace reference_scene

#endif
