// Caller memory for the fuzz test: bytes with guard bytes on both sides and a
// remembered copy, so that any write by the engine outside what a call may
// write is found, also in the padding at the end of each row.
#ifndef TESTS_ENGINE_FUZZ_GUARDED_BUFFER_H
#define TESTS_ENGINE_FUZZ_GUARDED_BUFFER_H

#include "fuzz_random.h"

#include "api/vardek.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace fuzz {

class GuardedBuffer {
public:
    static constexpr std::size_t kGuard = 64;

    // `size` bytes of random content between two guards of random bytes.
    GuardedBuffer(std::size_t size, FuzzRandom& random) : bytes_(size + 2 * kGuard), size_(size) {
        for (unsigned char& b : bytes_)
            b = random.byte();
        remember();
    }

    unsigned char* data() { return bytes_.data() + kGuard; }
    std::size_t size() const { return size_; }

    // The content every later comparison starts from.
    void remember() { copy_ = bytes_; }

    // The first byte (as an offset from data(), negative in the front guard)
    // that differs from the remembered content, leaving out the bytes of
    // `rows` rows of `rowLength` bytes, `rowBytes` apart from offset `first`,
    // which the call may write; nothing is left out when rows is 0.
    std::optional<std::ptrdiff_t> firstChangeOutside(std::ptrdiff_t first = 0, int rows = 0,
                                                     std::ptrdiff_t rowLength = 0,
                                                     std::ptrdiff_t rowBytes = 0) const {
        if (std::memcmp(bytes_.data(), copy_.data(), bytes_.size()) == 0) return std::nullopt;
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            if (bytes_[i] == copy_[i]) continue;
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(i) - std::ptrdiff_t{kGuard};
            const std::ptrdiff_t inside = at - first;
            if (rows > 0 && rowBytes > 0 && inside >= 0 && inside / rowBytes < rows &&
                inside % rowBytes < rowLength)
                continue;
            return at;
        }
        return std::nullopt;
    }

private:
    std::vector<unsigned char> bytes_;
    std::vector<unsigned char> copy_;
    std::size_t size_;
};

// An image in caller memory: width x height pixels of `pixelBytes` bytes,
// rows `rowBytes` apart (at least width x pixelBytes, so the rest of a row is
// padding the engine never writes).
struct CallerImage {
    int32_t width;
    int32_t height;
    int32_t rowBytes;
    int32_t kind;
    int32_t pixelBytes;
    GuardedBuffer buffer;

    // Random samples; alpha is full scale except in a few patches, so that
    // status images start mostly unassigned with some pixels of no class.
    CallerImage(int32_t w, int32_t h, int32_t rb, int32_t k, FuzzRandom& random)
        : width(w), height(h), rowBytes(rb), kind(k), pixelBytes(k == VkKindRgba8 ? 4 : 8),
          buffer(static_cast<std::size_t>(rb) * static_cast<std::size_t>(h), random) {
        paint(random);
        buffer.remember();
    }

    VkImage view() { return {width, height, rowBytes, kind, buffer.data()}; }

    // Only the pixels may change, never the padding or the guards.
    std::optional<std::ptrdiff_t> firstChangeOutsidePixels() const {
        return buffer.firstChangeOutside(0, height, std::ptrdiff_t{width} * pixelBytes, rowBytes);
    }

private:
    // A few flat rectangles of colour over noise, so that the analysis finds
    // regions and edges.
    void paint(FuzzRandom& random) {
        const int rectangles = random.between(0, 4);
        struct Rect {
            int r0, c0, r1, c1;
            uint8_t colour[3];
        };
        std::vector<Rect> rects;
        for (int i = 0; i < rectangles; ++i) {
            Rect rect{random.between(0, height - 1), random.between(0, width - 1), 0, 0, {}};
            rect.r1 = random.between(rect.r0, height - 1);
            rect.c1 = random.between(rect.c0, width - 1);
            for (uint8_t& c : rect.colour)
                c = random.byte();
            rects.push_back(rect);
        }
        const bool transparentPatch = random.chance(0.3);
        const int tr = random.between(0, height - 1), tc = random.between(0, width - 1);
        const int noise = random.between(0, 40);
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                int colour[3] = {random.between(0, 255), random.between(0, 255),
                                 random.between(0, 255)};
                for (const Rect& rect : rects)
                    if (r >= rect.r0 && r <= rect.r1 && c >= rect.c0 && c <= rect.c1)
                        for (int ch = 0; ch < 3; ++ch)
                            colour[ch] = std::min(255, rect.colour[ch] + random.between(0, noise));
                const bool opaque =
                    !(transparentPatch && std::abs(r - tr) < 3 && std::abs(c - tc) < 3);
                unsigned char* p =
                    buffer.data() + std::ptrdiff_t{r} * rowBytes + std::ptrdiff_t{c} * pixelBytes;
                if (pixelBytes == 4) {
                    for (int ch = 0; ch < 3; ++ch)
                        p[ch] = static_cast<unsigned char>(colour[ch]);
                    p[3] = opaque ? 255 : random.byte();
                } else {
                    const uint16_t full = kind == VkKindRgba15 ? 32768 : 65535;
                    uint16_t samples[4];
                    for (int ch = 0; ch < 3; ++ch)
                        samples[ch] = static_cast<uint16_t>(colour[ch] * full / 255);
                    samples[3] = opaque ? full : static_cast<uint16_t>(random.next() % full);
                    std::memcpy(p, samples, sizeof samples);
                }
            }
        }
    }
};

} // namespace fuzz

#endif
