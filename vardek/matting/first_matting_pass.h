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
#include "matting/sample_kinds.h"

namespace orsine::matting {

// Colour estimates of the pass: blend kind 1 spreads the nearest class colour
// over the band as a membrane; blend kind 2 averages class boundary colours from
// a pyramid.
constexpr int kMembraneBlend = 1;
constexpr int kDefaultBlend = 2;

// Output pixels per status pixel, along rows and along columns.
using ReductionFactors = blitz::TinyVector<float, 2>;

// What one pass works on besides its images, all at status resolution.
struct FirstPassRequest {
    // The status view. Rows the pass leaves get the done mark where they carry
    // the pass mark; the last row visited also loses the pass mark there.
    classification::ByteArray status;
    classification::Box box;           // the area's status box
    classification::Box estimationBox; // the box the estimates are built over; contains `box`
    ReductionFactors factors{1.0f, 1.0f};
    classification::ByteArray blendRatioPlane;
    DistanceArray distances;
    int blendKind = kDefaultBlend;
    const MaskPatch* patch = nullptr; // only blend kind 1 reads it (its membrane value)
};

// The pass for the sample kind `Kind` (sample_kinds.h). `output` and `source`
// are at output resolution over the same box; `colourImage`, of the kind's
// samples, at status resolution. Returns kPassDone.
template <class Kind>
int firstMattingPass(const MattingClassification& classification, typename Kind::Image output,
                     const typename Kind::Image& source, const typename Kind::Image& colourImage,
                     const FirstPassRequest& request, ProgressRange progress);

// The pass with the 8-bit analysis image as the colour image rather than the
// source: the 16-bit kinds first widen it to their full scale.
template <class Kind>
int firstMattingPassOnAnalysis(const MattingClassification& classification,
                               typename Kind::Image output, const typename Kind::Image& source,
                               const Image8& colourImage, const FirstPassRequest& request,
                               ProgressRange progress);

// The passes of each kind: 8-bit samples (full scale 255), 16-bit with full
// scale 65535 and 16-bit with full scale 32768.
int firstMattingPass8(const MattingClassification& classification, Image8 output,
                      const Image8& source, const Image8& colourImage,
                      const FirstPassRequest& request, ProgressRange progress);
int firstMattingPass16(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       const FirstPassRequest& request, ProgressRange progress);
int firstMattingPass15(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       const FirstPassRequest& request, ProgressRange progress);
int firstMattingPassOnArray(const MattingClassification& classification, Image8 output,
                            const Image8& source, const Image8& colourImage,
                            const FirstPassRequest& request, ProgressRange progress);
int firstMattingPassOnArray16(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              const FirstPassRequest& request, ProgressRange progress);
int firstMattingPassOnArray15(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              const FirstPassRequest& request, ProgressRange progress);

} // namespace orsine::matting

#endif
