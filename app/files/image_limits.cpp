#include "files/image_limits.h"

#include <atomic>

namespace image_limits {

namespace {

// Read by the readers, which may run on other threads than the test that
// lowers it.
std::atomic<qint64> limit{kMaxPixels};

} // namespace

qint64 maxPixels() {
    return limit.load(std::memory_order_relaxed);
}

bool fitsPixelLimit(qint64 width, qint64 height) {
    if (width <= 0 || height <= 0) return false;
    const qint64 most = maxPixels();
    return width <= most && height <= most / width;
}

ScopedPixelLimit::ScopedPixelLimit(qint64 pixels) : previous_(limit.exchange(pixels)) {}

ScopedPixelLimit::~ScopedPixelLimit() {
    limit.store(previous_);
}

} // namespace image_limits
