// Helpers shared by the benchmarks.
#ifndef BENCH_SUPPORT_BENCH_SUPPORT_H
#define BENCH_SUPPORT_BENCH_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

namespace bench_support {

// A photograph-like 8-bit BGRA image: smooth gradients, a few hard-edged
// shapes and fine noise, deterministic for a given seed.
std::vector<uint8_t> syntheticPhoto(int width, int height, uint32_t seed = 1);

// A real photograph as 8-bit BGRA, decoded from a JPEG file at 1 / `scale` of
// its size (1, 2, 4 or 8). Empty, with `error` saying why, when the file is
// missing or the build has no JPEG reader.
struct Photo {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;
    std::string error;
};
Photo readJpeg(const std::string& path, int scale = 1);

// `photo` resampled to `width` x `height` by bilinear interpolation between
// pixel centres (edge pixels repeat outwards).
Photo resized(const Photo& photo, int width, int height);

// The photograph TwoWings (2560 x 1600) resampled to about `megapixels`
// (1: half its sides, 4: itself, 16 and 36: two and three times its sides),
// read from the shared data folder (the environment variable
// CUTOUT_SHARED_DATA overrides where the build expects it). Empty, with
// `error` saying why, when it cannot be read.
Photo twoWings(double megapixels);

// The yardstick the analysis is measured against: a plain marker watershed
// on one thread. The gradient is the Sobel magnitude (|gx| + |gy|) / 8 of the
// mean of the three colour samples, clipped to 255; the markers are the pixel
// of least gradient in every `spacing` x `spacing` cell; the flood takes
// pixels from 256 first-in first-out queues, lowest gradient first, and gives
// each pixel the label of the 4-neighbour it was reached from. Returns the
// number of basins (the markers), which every pixel then belongs to.
int markerWatershed(const uint8_t* bgra, int width, int height, int spacing = 16);

} // namespace bench_support

#endif
