#include "support/bench_support.h"

#include "vardek/api/vardek.h"

#include <algorithm>
#include <cmath>
#include <random>

// The benchmarks never cancel.
int vardekProgressCallback(unsigned char, int) {
    return 0;
}

namespace bench_support {

std::vector<uint8_t> syntheticPhoto(int width, int height, uint32_t seed) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    const double cx = width * 0.45, cy = height * 0.5, radius = std::min(width, height) * 0.3;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            uint8_t* p = &pixels[(static_cast<size_t>(r) * width + c) * 4];
            const bool inside = std::hypot(c - cx, r - cy) < radius;
            const bool stripe = ((c / 97) + (r / 131)) % 5 == 0;
            int b = inside ? 40 : 180 - r * 120 / height;
            int g = inside ? 150 : 90 + c * 100 / width;
            int red = stripe ? 220 : (inside ? 60 : 120);
            b += noise(random);
            g += noise(random);
            red += noise(random);
            p[0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(red, 0, 255));
            p[3] = 255;
        }
    }
    return pixels;
}

} // namespace bench_support
