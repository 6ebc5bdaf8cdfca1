// Reduction of a four-channel 8-bit image by a whole factor (1, 2, 4 or 8),
// each output sample the median of a block of input samples of its channel.
#ifndef VARDEK_API_SCALE_IMAGE_H
#define VARDEK_API_SCALE_IMAGE_H

#include "api/vardek.h"

namespace vardek {

// The factor that reduces `source` into `target`: the larger of the row and
// column quotients, each rounded up in single precision; 3 becomes 4 and 7
// becomes 8. Returns 0 when either size is not positive.
int scaleFactor(const VkImage& target, const VkImage& source);

// Fills `target` with `source` reduced by `factor` (1, 2, 4 or 8). A source
// lower or narrower than one block reduces as though its last row and column
// were repeated out to a whole block.
void scaleImage(const VkImage& target, const VkImage& source, int factor);

} // namespace vardek

#endif
