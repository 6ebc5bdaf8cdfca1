// What the fuzzer expects of a placed image (a stroke, a mask or status
// bytes) given to the engine.
#ifndef TESTS_ENGINE_FUZZ_RECT_CHECKS_H
#define TESTS_ENGINE_FUZZ_RECT_CHECKS_H

#include "api/vardek.h"

#include <algorithm>
#include <cstdint>

namespace fuzz {

// Whether the rectangle covers a pixel of the image.
inline bool meets(const VkImage& image, const VkMaskRect& r) {
    return r.width > 0 && r.height > 0 && r.x < image.width && r.y < image.height &&
           int64_t{r.x} + r.width > 0 && int64_t{r.y} + r.height > 0;
}

// Bytes a call can read as `width` bytes a row.
inline bool readable(const VkMaskRect& r) {
    return !(r.data && r.width > 0 && r.height > 0 && r.rowBytes < r.width);
}

// Whether the bytes of `r` where it meets the image carry a temporary mark of
// mask generation, which the engine refuses to take from a caller.
inline bool marksWhereItMeets(const VkImage& image, const VkMaskRect& r) {
    const int64_t x0 = std::max<int64_t>(r.x, 0), y0 = std::max<int64_t>(r.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{r.x} + r.width, image.width);
    const int64_t y1 = std::min<int64_t>(int64_t{r.y} + r.height, image.height);
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x)
            if (r.data[(y - r.y) * r.rowBytes + (x - r.x)] & (VkStatusTempDone | VkStatusTempWork))
                return true;
    return false;
}

} // namespace fuzz

#endif
