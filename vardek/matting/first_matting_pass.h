// The first matting pass: colour and alpha of the output pixels of one area's
// blend band (output pixels whose nearest status pixel carries the temporary
// mark 0x80 and not the done mark 0x40). Certainly kept pixels take the source,
// certainly deleted ones become transparent black, and mixed ones get the
// un-mixed foreground colour and its alpha from foreground and background
// estimates of the two classes.
#ifndef VARDEK_MATTING_FIRST_MATTING_PASS_H
#define VARDEK_MATTING_FIRST_MATTING_PASS_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "matting/mask_records.h"
#include "matting/matting_arrays.h"
#include "matting/pass_result.h"

namespace orsine::matting {

// Colour estimates of the pass: blend kind 1 spreads the nearest class colour
// over the band as a membrane; blend kind 2 averages class boundary colours from
// a pyramid.
constexpr int kMembraneBlend = 1;
constexpr int kDefaultBlend = 2;

// Output pixels per status pixel, along rows and along columns.
using ReductionFactors = blitz::TinyVector<float, 2>;

// The pass for 8-bit samples (full scale 255). `output` and `source` are at
// output resolution over the same box; `colourImage`, `status`,
// `blendRatioPlane` and `distances` at status resolution. `box` is the area's
// status box, `estimationBox` the status box the estimates are built over (it
// contains `box`). Rows of `status` that the pass leaves get the done mark 0x40
// where they carry 0x80; the last row visited also loses 0x80 there. Only blend
// kind 1 reads `patch` (its membrane value). Returns kPassDone.
int firstMattingPass8(const MattingClassification& classification, Image8 output,
                      const Image8& source, const Image8& colourImage,
                      classification::ByteArray status, const classification::Box& box,
                      const classification::Box& estimationBox, ReductionFactors factors,
                      const classification::ByteArray& blendRatioPlane,
                      const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                      ProgressRange progress);
// 16-bit samples with full scale 65535; `colourImage` holds 16-bit colours.
int firstMattingPass16(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       classification::ByteArray status, const classification::Box& box,
                       const classification::Box& estimationBox, ReductionFactors factors,
                       const classification::ByteArray& blendRatioPlane,
                       const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                       ProgressRange progress);
// 16-bit samples with full scale 32768; `colourImage` holds 16-bit colours.
int firstMattingPass15(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       classification::ByteArray status, const classification::Box& box,
                       const classification::Box& estimationBox, ReductionFactors factors,
                       const classification::ByteArray& blendRatioPlane,
                       const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                       ProgressRange progress);

// The entries used when the colour image is the 8-bit analysis image rather
// than the source: the 16-bit ones first widen it to their full scale.
int firstMattingPassOnArray(const MattingClassification& classification, Image8 output,
                            const Image8& source, const Image8& colourImage,
                            classification::ByteArray status, const classification::Box& box,
                            const classification::Box& estimationBox, ReductionFactors factors,
                            const classification::ByteArray& blendRatioPlane,
                            const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                            ProgressRange progress);
int firstMattingPassOnArray16(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              classification::ByteArray status, const classification::Box& box,
                              const classification::Box& estimationBox, ReductionFactors factors,
                              const classification::ByteArray& blendRatioPlane,
                              const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                              ProgressRange progress);
int firstMattingPassOnArray15(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              classification::ByteArray status, const classification::Box& box,
                              const classification::Box& estimationBox, ReductionFactors factors,
                              const classification::ByteArray& blendRatioPlane,
                              const DistanceArray& distances, int blendKind, const MaskPatch& patch,
                              ProgressRange progress);

} // namespace orsine::matting

#endif
