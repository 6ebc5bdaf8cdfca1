// The palette matting solver of choices patches: every pixel of the patch's
// blend area is explained as a mix of a colour from the keep palette and one
// from the delete palette, and gets the foreground colour and the alpha of
// that mix. Keep pixels get the source colour and full alpha, delete pixels
// zero in all four channels.
#ifndef VARDEK_MATTING_PALETTE_SOLVER_H
#define VARDEK_MATTING_PALETTE_SOLVER_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"
#include "core/progress.h"
#include "core/rank_filter.h"
#include "core/status_bits.h"
#include "matting/mask_records.h"
#include "matting/palette_pyramid.h"
#include "matting/pass_result.h"
#include "matting/sample_kinds.h"

#include <blitz/array.h>

#include <cstdint>

namespace orsine::matting {

template <typename Sample> using PixelView = blitz::Array<orsine::utility::Colour<Sample>, 2>;

// Solves the choices patch over `box` (status coordinates, inclusive) for the
// status pixels marked 0x80 and not 0x40. `scale` is the number of output
// pixels per status pixel (rows, columns); source and output are in output
// coordinates and share the caller's pixels. Returns kPassDone when solved or
// nothing was to solve, kPassGaveUp when a class had no colour at all (the
// output is then left untouched). Cancel and allocation failures propagate.
// One template over the sample kinds of sample_kinds.h; the 8, 16 and 15
// functions name its kinds.
template <class Kind>
int32_t solveMatting(const PixelView<typename Kind::Sample>& source,
                     const classification::ByteArray& status,
                     PixelView<typename Kind::Sample> output, const classification::Box& box,
                     blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                     ProgressRange progress);
int32_t solveMatting8(const PixelView<uint8_t>& source, const classification::ByteArray& status,
                      PixelView<uint8_t> output, const classification::Box& box,
                      blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                      ProgressRange progress);
int32_t solveMatting16(const PixelView<uint16_t>& source, const classification::ByteArray& status,
                       PixelView<uint16_t> output, const classification::Box& box,
                       blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                       ProgressRange progress);
int32_t solveMatting15(const PixelView<uint16_t>& source, const classification::ByteArray& status,
                       PixelView<uint16_t> output, const classification::Box& box,
                       blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                       ProgressRange progress);

// The driver's entries for a source whose extent differs from the analysis
// image: the solver of the kind on the same arguments.
int32_t solveMattingOnArray(const PixelView<uint8_t>& source,
                            const classification::ByteArray& status, PixelView<uint8_t> output,
                            const classification::Box& box, blitz::TinyVector<float, 2> scale,
                            const MaskPatch& patch, ProgressRange progress);
int32_t solveMatting16OnArray(const PixelView<uint16_t>& source,
                              const classification::ByteArray& status, PixelView<uint16_t> output,
                              const classification::Box& box, blitz::TinyVector<float, 2> scale,
                              const MaskPatch& patch, ProgressRange progress);
int32_t solveMatting15OnArray(const PixelView<uint16_t>& source,
                              const classification::ByteArray& status, PixelView<uint16_t> output,
                              const classification::Box& box, blitz::TinyVector<float, 2> scale,
                              const MaskPatch& patch, ProgressRange progress);

// The solver's stages, for the kinds above; solveMatting runs them in order.
namespace solver {

// Where the solver works: the patch box in status coordinates (clipped to the
// status view), the output box it covers (clipped to the output view) and
// the scale between them.
struct Frame {
    classification::Box statusBox;
    classification::Box outputBox;
    blitz::TinyVector<float, 2> scale;

    // The status pixel nearest output pixel (i, j), clamped into statusBox.
    classification::Point statusPixel(int i, int j) const;
};
Frame frameOf(const classification::Box& box, blitz::TinyVector<float, 2> scale,
              const classification::Box& statusView, const classification::Box& outputView);

// A status byte the current pass works on: the pass mark without the done mark.
inline bool isSolved(unsigned char status) {
    return (status & classification::kTemporaryMarks) == classification::kPassMark;
}

// The palette thresholds of a palette size s in [0, 1]: 5 + 215 (1 - s)^5 for
// the keep palette and 5 + 215 (1 - s)^3 for the delete palette.
double keepThreshold(float size);
double deleteThreshold(float size);

// The keep and delete shares of output pixel (i, j): the bilinear mix of
// the class bits of its four nearest status pixels.
struct Shares {
    float keep;
    float remove;
};
Shares sharesAt(const Frame& frame, const classification::ByteArray& status, int i, int j);

// A pixel whose output is mixed from its estimates: solved, and neither its
// keep nor its delete share above 0.99.
bool isBlended(const Frame& frame, const classification::ByteArray& status, int i, int j);

// Over the output box, 1 where a solved pixel's estimates can reach some
// output: the 3 x 3 neighbourhoods of blended pixels (the medians) and the
// pixels the keep border copies their background from. The estimates of the
// other pixels are never read, so their pair search can be skipped.
classification::ByteArray searchMask(const Frame& frame, const classification::ByteArray& status);

// The foreground and background estimates by the pair search of every solved
// pixel (of those `wanted` marks, when given); false when a class has no
// colour anywhere (nothing written to the output).
template <class Kind>
bool estimateColours(const Frame& frame, const PixelView<typename Kind::Sample>& source,
                     const classification::ByteArray& status,
                     const PalettePyramid<typename Kind::Types>& foreground,
                     const PalettePyramid<typename Kind::Types>& background,
                     ColourImage<typename Kind::Sample> foregroundColours,
                     ColourImage<typename Kind::Sample> backgroundColours, ProgressRange progress,
                     const classification::ByteArray* wanted = nullptr);

// The 3 x 3 medians of both estimates, with the background of keep pixels
// taken from a neighbour that is not keep first.
template <class Kind>
void smoothEstimates(const Frame& frame, const classification::ByteArray& status,
                     ColourImage<typename Kind::Sample> foregroundColours,
                     ColourImage<typename Kind::Sample> backgroundColours, ProgressRange progress);

// Colour and alpha of every solved output pixel from the estimates.
template <class Kind>
void composeOutput(const Frame& frame, const PixelView<typename Kind::Sample>& source,
                   const classification::ByteArray& status,
                   const ColourImage<typename Kind::Sample>& foregroundColours,
                   const ColourImage<typename Kind::Sample>& backgroundColours,
                   PixelView<typename Kind::Sample> output, ProgressRange progress);

} // namespace solver

} // namespace orsine::matting

#endif
