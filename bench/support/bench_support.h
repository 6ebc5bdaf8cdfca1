// Helpers shared by the benchmarks.
#ifndef BENCH_SUPPORT_BENCH_SUPPORT_H
#define BENCH_SUPPORT_BENCH_SUPPORT_H

#include <cstdint>
#include <vector>

namespace bench_support {

// A photograph-like 8-bit BGRA image: smooth gradients, a few hard-edged
// shapes and fine noise, deterministic for a given seed.
std::vector<uint8_t> syntheticPhoto(int width, int height, uint32_t seed = 1);

} // namespace bench_support

#endif
