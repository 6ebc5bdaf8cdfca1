// The colour pair search over two palette pyramids.
#include "vardek/matting/colour_pair_search.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

namespace orsine::matting {

namespace {

double length(double x, double y, double z) {
    return std::sqrt(x * x + y * y + z * z);
}

template <class Sample> Vector3 toVector(const Sample& s) {
    return {static_cast<double>(s[0]), static_cast<double>(s[1]), static_cast<double>(s[2])};
}

// A double below -FLT_MAX would not convert to float safely.
float toScore(double v) {
    return static_cast<float>(std::max(v, -static_cast<double>(FLT_MAX)));
}

} // namespace

// d = F - B, e = I - B, a = (d.e) / (d.d): the score is -|e - a d| for a in
// [0, 1] and minus the distance to the nearer end otherwise.
float segmentFit(const Vector3& f, const Vector3& b, const Vector3& i) {
    const double d0 = f[0] - b[0], d1 = f[1] - b[1], d2 = f[2] - b[2];
    const double e0 = i[0] - b[0], e1 = i[1] - b[1], e2 = i[2] - b[2];
    const double dd = d0 * d0 + d1 * d1 + d2 * d2;
    // Equal colours: the segment is the point B (0 / 0 otherwise).
    if (dd == 0.0) return static_cast<float>(-length(e0, e1, e2));
    const float a = static_cast<float>((d0 * e0 + d1 * e1 + d2 * e2) / dd);
    double score;
    if (a < 0.0f) {
        score = -length(e0, e1, e2);
    } else if (a > 1.0f) {
        score = -length(i[0] - f[0], i[1] - f[1], i[2] - f[2]);
    } else {
        const double ad = a;
        score = -length(e0 - ad * d0, e1 - ad * d1, e2 - ad * d2);
    }
    return static_cast<float>(score);
}

template <class Types>
float scoreColourPairs(const ClusterList<Types>& foreground, const ClusterList<Types>& background,
                       const Colour3& pixel, Colour3& f, Colour3& b) {
    const Vector3 colour{pixel[0], pixel[1], pixel[2]};

    // Cluster stage, on the representatives (each found once per call).
    std::vector<Vector3> backgroundRepresentatives;
    backgroundRepresentatives.reserve(background.size());
    for (const Cluster<Types>& s : background)
        backgroundRepresentatives.push_back(s.empty() ? Vector3{} : toVector(s.representative()));
    float best = -FLT_MAX;
    const Cluster<Types>* chosenF = nullptr;
    const Cluster<Types>* chosenB = nullptr;
    for (const Cluster<Types>& p : foreground) {
        if (p.empty()) continue;
        const Vector3 fp = toVector(p.representative());
        for (std::size_t k = 0; k < background.size(); ++k) {
            if (background[k].empty()) continue;
            const float score = segmentFit(fp, backgroundRepresentatives[k], colour);
            if (score > best) {
                best = score;
                chosenF = &p;
                chosenB = &background[k];
            }
        }
    }
    if (!chosenF) return -FLT_MAX;

    // Sample stage: fit plus the penalties of both samples, each penalty
    // evaluated once per sample.
    const PenaltyForm penaltyF = chosenF->penaltyForm(), penaltyB = chosenB->penaltyForm();
    std::vector<Vector3> samplesB;
    std::vector<double> penaltiesB;
    samplesB.reserve(chosenB->size());
    penaltiesB.reserve(chosenB->size());
    for (const auto& s : chosenB->samples()) {
        samplesB.push_back(toVector(s));
        penaltiesB.push_back(penaltyB(samplesB.back()));
    }
    best = -FLT_MAX;
    for (const auto& fs : chosenF->samples()) {
        const Vector3 fv = toVector(fs);
        const double pf = penaltyF(fv);
        for (std::size_t k = 0; k < samplesB.size(); ++k) {
            const double fit = segmentFit(fv, samplesB[k], colour);
            const float total = toScore(penaltiesB[k] + (pf + fit));
            if (total > best) {
                best = total;
                f = {static_cast<float>(fv[0]), static_cast<float>(fv[1]),
                     static_cast<float>(fv[2])};
                b = {static_cast<float>(samplesB[k][0]), static_cast<float>(samplesB[k][1]),
                     static_cast<float>(samplesB[k][2])};
            }
        }
    }
    return best;
}

template <class Types>
ColourPair findColourPair(int row, int column, const PalettePyramid<Types>& foreground,
                          const PalettePyramid<Types>& background, const Colour3& pixel,
                          int foregroundLevel, int backgroundLevel, float threshold) {
    // Without any chosen pair the pixel explains itself, which leaves it as
    // the source.
    ColourPair best{pixel, pixel};
    float bestScore = -FLT_MAX;
    const int topF = foreground.topLevel(), topB = background.topLevel();
    int requestF = std::clamp(foregroundLevel, 0, std::max(topF, 0));
    int requestB = std::clamp(backgroundLevel, 0, std::max(topB, 0));
    for (;;) {
        const PaletteAt<Types> paletteF = paletteAt(foreground, row, column, requestF);
        const PaletteAt<Types> paletteB = paletteAt(background, row, column, requestB);
        if (!paletteF.clusters) throw "Empty foreground palette";
        if (!paletteB.clusters) throw "Empty background palette";

        Colour3 f = pixel, b = pixel;
        const float score =
            scoreColourPairs<Types>(*paletteF.clusters, *paletteB.clusters, pixel, f, b);
        if (score > bestScore) {
            bestScore = score;
            best = {f, b};
        }
        if (score > threshold) break;
        if (paletteF.level >= topF && paletteB.level >= topB) break;
        requestF = std::min(paletteF.level + 1, topF);
        requestB = std::min(paletteB.level + 1, topB);
    }
    return best;
}

#define VARDEK_PAIR_SEARCH_INSTANCES(T)                                                            \
    template float scoreColourPairs<T>(const ClusterList<T>&, const ClusterList<T>&,               \
                                       const Colour3&, Colour3&, Colour3&);                        \
    template ColourPair findColourPair<T>(int, int, const PalettePyramid<T>&,                      \
                                          const PalettePyramid<T>&, const Colour3&, int, int,      \
                                          float);

VARDEK_PAIR_SEARCH_INSTANCES(cbb8)
VARDEK_PAIR_SEARCH_INSTANCES(cbb16)

#undef VARDEK_PAIR_SEARCH_INSTANCES

} // namespace orsine::matting
