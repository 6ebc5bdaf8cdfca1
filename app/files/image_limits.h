// How large a picture the program takes, in one place.
//
// Every reader checks the size a file, a project or a drop announces against
// this limit before it allocates anything for the pixels: a header of a few
// bytes can claim a picture of terabytes. A photograph at the limit, opened
// at 16 bits with its working image, workspace copy, status image and
// analysis, needs about 60 bytes a pixel, so the limit keeps a document
// within the memory of a desktop with 24 GB; the largest camera photographs
// (100 to 150 megapixels) lie below it. It also keeps every picture within
// what one 8-bit image of Qt can hold (2 GB).
//
// Tests lower the limit for a while with ScopedPixelLimit, so that hostile
// headers cost them little memory.
#ifndef APP_FILES_IMAGE_LIMITS_H
#define APP_FILES_IMAGE_LIMITS_H

#include <QtGlobal>

namespace image_limits {

// The most pixels (width x height) a picture may have: 250 megapixels.
constexpr qint64 kMaxPixels = 250'000'000;

// The limit in force: kMaxPixels unless a test lowered it.
qint64 maxPixels();

// Whether a picture of `width` x `height` may be read: both positive and the
// product within the limit (no overflow for any 64-bit sizes).
bool fitsPixelLimit(qint64 width, qint64 height);

// Lowers the limit while it lives (tests only).
class ScopedPixelLimit {
public:
    explicit ScopedPixelLimit(qint64 pixels);
    ~ScopedPixelLimit();
    ScopedPixelLimit(const ScopedPixelLimit&) = delete;
    ScopedPixelLimit& operator=(const ScopedPixelLimit&) = delete;

private:
    qint64 previous_;
};

} // namespace image_limits

#endif
