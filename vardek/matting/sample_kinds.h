// The three sample kinds of mask generation: 8-bit samples (full scale 255),
// 16-bit samples with full scale 65535, and 16-bit samples with full scale
// 32768. The first pass, the palette solver and the forced-edge pass are one
// template each over these traits; their 8, 16 and 15 functions are thin
// names for one kind.
//
// Alpha in [0, 1] is written as its truncated product with a factor just
// below full scale + 1, so that full coverage gives exactly full scale; each
// pass keeps the factor it has always used. Colours are truncated and kept
// within [0, full scale]. Thresholds and colour distances are the same numbers
// for every kind.
#ifndef VARDEK_MATTING_SAMPLE_KINDS_H
#define VARDEK_MATTING_SAMPLE_KINDS_H

#include "matting/colour_cluster.h"
#include "matting/matting_arrays.h"

#include <cstdint>

namespace orsine::matting {

struct Kind8 {
    using Sample = uint8_t;
    using Image = Image8;
    using Types = cbb8; // the palettes' value types
    static constexpr int fullScale = 255;
    static constexpr float firstPassAlphaFactor = 255.99f;
    static constexpr float solverAlphaFactor = 255.99f;
    static constexpr float edgeFieldAlphaFactor = 255.999f;
    static constexpr float edgeCapAlphaFactor = 255.9999f;
    // The 8-bit estimates of the membrane and of the analysis image brought to
    // the kind's full scale.
    static constexpr float estimateScale = 1.0f;
};

struct Kind16 {
    using Sample = uint16_t;
    using Image = Image16;
    using Types = cbb16;
    static constexpr int fullScale = 65535;
    static constexpr float firstPassAlphaFactor = 65535.99f;
    static constexpr float solverAlphaFactor = 65535.988f;
    static constexpr float edgeFieldAlphaFactor = 65535.988f;
    static constexpr float edgeCapAlphaFactor = 65535.988f;
    static constexpr float estimateScale = 257.0f; // 65535 / 255
};

struct Kind15 {
    using Sample = uint16_t;
    using Image = Image16;
    using Types = cbb16;
    static constexpr int fullScale = 32768;
    static constexpr float firstPassAlphaFactor = 32768.99f;
    static constexpr float solverAlphaFactor = 32768.988f;
    static constexpr float edgeFieldAlphaFactor = 32768.988f;
    static constexpr float edgeCapAlphaFactor = 32768.988f;
    static constexpr float estimateScale = 128.50197f; // 32768 / 255
};

} // namespace orsine::matting

#endif
