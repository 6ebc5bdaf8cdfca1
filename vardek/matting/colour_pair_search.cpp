// The colour pair search over two palette pyramids.
#include "matting/colour_pair_search.h"

#include "core/exceptions.h"

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

namespace {

// d = F - B, e = I - B, a = (d.e) / (d.d): the score is -|e - a d| for a in
// [0, 1] and minus the distance to the nearer end otherwise.
inline float fit(const Vector3& f, const Vector3& b, const Vector3& i) {
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

Colour3 toColour(const Vector3& v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

} // namespace

float segmentFit(const Vector3& f, const Vector3& b, const Vector3& i) {
    return fit(f, b, i);
}

template <class Types> PreparedPalette preparePalette(const ClusterList<Types>& palette) {
    PreparedPalette prepared(palette.size());
    for (std::size_t k = 0; k < palette.size(); ++k) {
        const Cluster<Types>& cluster = palette[k];
        if (cluster.empty()) continue;
        PreparedCluster& p = prepared[k];
        p.representative = toVector(cluster.representative());
        const PenaltyForm penalty = cluster.penaltyForm();
        p.samples.reserve(cluster.size());
        p.penalties.reserve(cluster.size());
        for (const auto& s : cluster.samples()) {
            p.samples.push_back(toVector(s));
            p.penalties.push_back(penalty(p.samples.back()));
        }
    }
    return prepared;
}

template <class Types>
const PreparedPalette& PaletteCache<Types>::get(const ClusterList<Types>& palette) {
    const auto found = entries_.find(&palette);
    if (found != entries_.end()) return found->second;
    return entries_.emplace(&palette, preparePalette(palette)).first->second;
}

float scoreColourPairs(const PreparedPalette& foreground, const PreparedPalette& background,
                       const Colour3& pixel, Colour3& f, Colour3& b) {
    const Vector3 colour{pixel[0], pixel[1], pixel[2]};

    // A pair of equal colours is a point, not a segment: no fraction of it
    // mixes into the pixel, so both stages pass such pairs by.

    // Cluster stage: the representatives; ties go to the earlier pair.
    float best = -FLT_MAX;
    const PreparedCluster* chosenF = nullptr;
    const PreparedCluster* chosenB = nullptr;
    for (const PreparedCluster& p : foreground) {
        if (p.samples.empty()) continue;
        for (const PreparedCluster& s : background) {
            if (s.samples.empty() || p.representative == s.representative) continue;
            const float score = fit(p.representative, s.representative, colour);
            if (score > best) {
                best = score;
                chosenF = &p;
                chosenB = &s;
            }
        }
    }
    if (!chosenF) return -FLT_MAX;

    // Sample stage: fit plus the colour penalties of both samples.
    best = -FLT_MAX;
    for (std::size_t m = 0; m < chosenF->samples.size(); ++m) {
        const Vector3& fv = chosenF->samples[m];
        const double pf = chosenF->penalties[m];
        for (std::size_t k = 0; k < chosenB->samples.size(); ++k) {
            if (fv == chosenB->samples[k]) continue;
            const double score = fit(fv, chosenB->samples[k], colour);
            const float total = toScore(chosenB->penalties[k] + (pf + score));
            if (total > best) {
                best = total;
                f = toColour(fv);
                b = toColour(chosenB->samples[k]);
            }
        }
    }
    return best;
}

template <class Types>
float scoreColourPairs(const ClusterList<Types>& foreground, const ClusterList<Types>& background,
                       const Colour3& pixel, Colour3& f, Colour3& b) {
    return scoreColourPairs(preparePalette(foreground), preparePalette(background), pixel, f, b);
}

template <class Types>
ColourPair findColourPair(int row, int column, const PalettePyramid<Types>& foreground,
                          const PalettePyramid<Types>& background, const Colour3& pixel,
                          int foregroundLevel, int backgroundLevel, float threshold,
                          PaletteCache<Types>* cache) {
    PaletteCache<Types> local;
    PaletteCache<Types>& palettes = cache ? *cache : local;
    palettes.trim();

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
        if (!paletteF.clusters) throw VkExFailure("Empty foreground palette");
        if (!paletteB.clusters) throw VkExFailure("Empty background palette");

        Colour3 f = pixel, b = pixel;
        const float score = scoreColourPairs(palettes.get(*paletteF.clusters),
                                             palettes.get(*paletteB.clusters), pixel, f, b);
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
                                          float, PaletteCache<T>*);                                \
    template PreparedPalette preparePalette<T>(const ClusterList<T>&);                             \
    template class PaletteCache<T>;

VARDEK_PAIR_SEARCH_INSTANCES(cbb8)
VARDEK_PAIR_SEARCH_INSTANCES(cbb16)

#undef VARDEK_PAIR_SEARCH_INSTANCES

} // namespace orsine::matting
