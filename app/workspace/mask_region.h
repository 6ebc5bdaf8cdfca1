// The area of a patch's mask as a region of the full image, for clipping the
// patch's cut-out preview: built from the runs of each row, a row like the
// one above extending its band, so a 9-megapixel patch costs one pass over
// its bytes.
#ifndef APP_WORKSPACE_MASK_REGION_H
#define APP_WORKSPACE_MASK_REGION_H

#include <QRegion>

class QImage;

// The pixels of the 8-bit `mask` that are not 0, placed at the mask's offset
// (workspace pixels) and scaled by the resolution `factor` to image pixels.
QRegion maskRegion(const QImage& mask, int factor);

#endif
