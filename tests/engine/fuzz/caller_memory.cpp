// The caller memory the fuzzer hands the engine: image sides, pixel images
// and placed images over an area.
#include "call_fuzzer.h"

#include <algorithm>
#include <limits>

namespace fuzz {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

} // namespace

int CallFuzzer::imageSide() {
    if (random_.chance(0.7)) return random_.between(1, 24);
    if (random_.chance(0.85)) return random_.between(25, 80);
    return random_.between(81, 300);
}

std::shared_ptr<CallerImage> CallFuzzer::newCallerImage(int32_t width, int32_t height,
                                                        int32_t kind) {
    const int32_t pixelBytes = kind == VkKindRgba8 ? 4 : 8;
    const int32_t rowBytes = width * pixelBytes + pixelBytes * random_.between(0, 2);
    return std::make_shared<CallerImage>(width, height, rowBytes, kind, random_);
}

VkMaskRect CallFuzzer::placedRect(const int32_t area[4], bool statusBytes) {
    const int64_t ax = area[0], ay = area[1], aw = std::max(area[2], 1), ah = std::max(area[3], 1);
    const bool withBytes = random_.chance(statusBytes ? 0.95 : 0.55);
    int64_t x = 0, y = 0, w = 1, h = 1;
    const int where = random_.between(0, 9);
    if (where <= 6) { // inside
        w = random_.between(int64_t{1}, withBytes ? std::min<int64_t>(aw, 48) : aw);
        h = random_.between(int64_t{1}, withBytes ? std::min<int64_t>(ah, 48) : ah);
        x = random_.between(ax, ax + aw - w);
        y = random_.between(ay, ay + ah - h);
    } else if (where == 7) { // across the border
        w = random_.between(1, 20);
        h = random_.between(1, 20);
        x = random_.chance(0.5) ? ax - random_.between(int64_t{1}, w) : ax + aw - 1;
        y = random_.chance(0.5) ? ay - random_.between(int64_t{1}, h) : ay + ah - 1;
    } else if (where == 8) { // beside it
        w = random_.between(1, 8);
        h = random_.between(1, 8);
        x = random_.chance(0.5) ? ax + aw + random_.between(0, 50)
                                : ax - w - random_.between(0, 50);
        y = random_.between(ay, ay + ah - 1);
    } else { // at the ends of the int range, or not a rectangle at all
        w = random_.between(1, 6);
        h = random_.between(1, 6);
        x = random_.chance(0.7) ? random_.extremeInt() : ax;
        y = random_.chance(0.7) ? random_.extremeInt() : ay;
        if (random_.chance(0.3))
            (random_.chance(0.5) ? w : h) = random_.pick<int64_t>({0, -1, kIntMin});
        // Sizes without bytes are never read, so they may be anything.
        if (!withBytes && random_.chance(0.5)) w = random_.extremeInt();
        if (!withBytes && random_.chance(0.5)) h = random_.extremeInt();
    }
    VkMaskRect rect{static_cast<int32_t>(std::clamp<int64_t>(x, kIntMin, kIntMax)),
                    static_cast<int32_t>(std::clamp<int64_t>(y, kIntMin, kIntMax)),
                    static_cast<int32_t>(w),
                    static_cast<int32_t>(h),
                    0,
                    statusBytes ? VkKindStatus : random_.between(0, 1),
                    nullptr};
    if (!withBytes) {
        rect.rowBytes = random_.chance(0.5) ? 0 : random_.extremeInt();
        return rect;
    }
    // Real bytes behind every row the record claims; now and then rows
    // shorter than the width, which the call must refuse.
    const int32_t shownWidth = std::max(rect.width, 1), rows = std::max(rect.height, 1);
    rect.rowBytes = shownWidth + random_.between(0, 3);
    if (rect.width > 1 && random_.chance(0.08)) rect.rowBytes = random_.between(0, rect.width - 1);
    const std::size_t size = static_cast<std::size_t>(std::max(rect.rowBytes, shownWidth)) *
                             static_cast<std::size_t>(rows);
    auto bytes = std::make_shared<GuardedBuffer>(size, random_);
    static const std::vector<uint8_t> statusValues = {0,    1,    2,    4,    8,    0x12,
                                                      0x14, 0x11, 0x22, 0x24, 0x18, 0x28};
    for (std::size_t i = 0; i < size; ++i)
        bytes->data()[i] =
            statusBytes ? (random_.chance(0.995) ? random_.pick(statusValues) : random_.byte())
                        : static_cast<unsigned char>(random_.chance(0.75) ? 1 : 0);
    bytes->remember();
    rect.data = bytes->data();
    readOnlyBytes_.push_back(bytes);
    return rect;
}

} // namespace fuzz
