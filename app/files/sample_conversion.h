// The conversions between the image's sample scales, all four channels alike
// and in their order:
//   16 bits, full scale 65535, to 8 bits:  (v + 128) / 257
//   16 bits, full scale 32768, to 8 bits:  (v x 255) >> 15
//   16 bits, full scale 32768, to 65535:   (v x 65535) >> 15
// A host's samples above 32768 are out of its scale; they count as 32768, so
// they give 255 and 65535 rather than wrapping round.
#ifndef APP_FILES_SAMPLE_CONVERSION_H
#define APP_FILES_SAMPLE_CONVERSION_H

#include "files/pixel_view.h"

// Writes `from`'s samples into `to` (the overlap of the two sizes).
// `fullScale` is 65535 or 32768.
void convertTo8Bits(const PixelView16& from, int fullScale, const PixelView8& to);

// Rescales samples of full scale 32768 to full scale 65535; `from` and `to`
// may be the same pixels.
void convertHostScaleTo16Bits(const PixelView16& from, const PixelView16& to);

#endif
