#include "support/bench_support.h"

#include "api/vardek.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#ifdef CUTOUT_HAVE_JPEG
#include <csetjmp>
#include <jpeglib.h>
#endif

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

Photo resized(const Photo& photo, int width, int height) {
    Photo out;
    if (photo.bgra.empty() || width <= 0 || height <= 0) {
        out.error = photo.error.empty() ? "nothing to resize" : photo.error;
        return out;
    }
    out.width = width;
    out.height = height;
    out.bgra.resize(static_cast<size_t>(width) * height * 4);
    // Source coordinate of a target pixel centre: (x + 0.5) * from / to - 0.5.
    struct Tap {
        int first, second;
        float weight; // of `second`
    };
    const auto taps = [](int to, int from) {
        std::vector<Tap> t(static_cast<size_t>(to));
        for (int x = 0; x < to; ++x) {
            const float u = std::max(0.0f, (x + 0.5f) * float(from) / float(to) - 0.5f);
            const int first = std::min(int(u), from - 1);
            t[size_t(x)] = {first, std::min(first + 1, from - 1), u - float(first)};
        }
        return t;
    };
    const std::vector<Tap> rows = taps(height, photo.height), columns = taps(width, photo.width);
    const auto at = [&photo](int r, int c, int k) {
        return float(photo.bgra[(static_cast<size_t>(r) * photo.width + c) * 4 + k]);
    };
    for (int r = 0; r < height; ++r) {
        const Tap& tr = rows[size_t(r)];
        uint8_t* p = &out.bgra[static_cast<size_t>(r) * width * 4];
        for (int c = 0; c < width; ++c, p += 4) {
            const Tap& tc = columns[size_t(c)];
            for (int k = 0; k < 4; ++k) {
                const float top = at(tr.first, tc.first, k) * (1.0f - tc.weight) +
                                  at(tr.first, tc.second, k) * tc.weight;
                const float bottom = at(tr.second, tc.first, k) * (1.0f - tc.weight) +
                                     at(tr.second, tc.second, k) * tc.weight;
                p[k] = static_cast<uint8_t>(top * (1.0f - tr.weight) + bottom * tr.weight + 0.5f);
            }
        }
    }
    return out;
}

Photo twoWings(double megapixels) {
    const char* override = std::getenv("CUTOUT_SHARED_DATA");
    const std::string folder = override ? override : CUTOUT_SHARED_DATA;
    static const Photo original = readJpeg(folder + "/photos/TwoWings.jpg", 1);
    const double side = std::sqrt(megapixels / 4.0);
    const int width = static_cast<int>(std::lround(original.width * side));
    const int height = static_cast<int>(std::lround(original.height * side));
    if (width == original.width && height == original.height) return original;
    return resized(original, width, height);
}

int markerWatershed(const uint8_t* bgra, int width, int height, int spacing) {
    if (width < 1 || height < 1 || spacing < 1) return 0;
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint8_t> grey(pixels);
    for (size_t i = 0; i < pixels; ++i)
        grey[i] = static_cast<uint8_t>((bgra[4 * i] + bgra[4 * i + 1] + bgra[4 * i + 2]) / 3);

    // Sobel magnitude, the image's edge pixels repeated outwards.
    std::vector<uint8_t> gradient(pixels);
    const auto g = [&](int r, int c) {
        r = std::clamp(r, 0, height - 1);
        c = std::clamp(c, 0, width - 1);
        return int(grey[static_cast<size_t>(r) * width + c]);
    };
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const int gx = g(r - 1, c + 1) + 2 * g(r, c + 1) + g(r + 1, c + 1) - g(r - 1, c - 1) -
                           2 * g(r, c - 1) - g(r + 1, c - 1);
            const int gy = g(r + 1, c - 1) + 2 * g(r + 1, c) + g(r + 1, c + 1) - g(r - 1, c - 1) -
                           2 * g(r - 1, c) - g(r - 1, c + 1);
            gradient[static_cast<size_t>(r) * width + c] =
                static_cast<uint8_t>(std::min(255, (std::abs(gx) + std::abs(gy)) / 8));
        }

    // One marker per cell, at its pixel of least gradient.
    std::vector<int32_t> labels(pixels, 0);
    std::array<std::vector<uint32_t>, 256> queues;
    std::array<size_t, 256> heads{};
    int markers = 0;
    for (int r0 = 0; r0 < height; r0 += spacing)
        for (int c0 = 0; c0 < width; c0 += spacing) {
            size_t best = static_cast<size_t>(r0) * width + c0;
            for (int r = r0; r < std::min(height, r0 + spacing); ++r)
                for (int c = c0; c < std::min(width, c0 + spacing); ++c) {
                    const size_t p = static_cast<size_t>(r) * width + c;
                    if (gradient[p] < gradient[best]) best = p;
                }
            labels[best] = ++markers;
            queues[gradient[best]].push_back(static_cast<uint32_t>(best));
        }

    // The flood: lowest level first, first in first out within a level.
    for (int level = 0; level < 256; ++level) {
        std::vector<uint32_t>& queue = queues[size_t(level)];
        for (size_t& head = heads[size_t(level)]; head < queue.size(); ++head) {
            const uint32_t p = queue[head];
            const int r = int(p / uint32_t(width)), c = int(p % uint32_t(width));
            const auto reach = [&](bool inside, uint32_t n) {
                if (!inside || labels[n] != 0) return;
                labels[n] = labels[p];
                queues[std::max<size_t>(size_t(level), gradient[n])].push_back(n);
            };
            reach(r > 0, p - uint32_t(width));
            reach(c > 0, p - 1);
            reach(c + 1 < width, p + 1);
            reach(r + 1 < height, p + uint32_t(width));
        }
        std::vector<uint32_t>().swap(queue);
    }
    return markers;
}

#ifdef CUTOUT_HAVE_JPEG
namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

} // namespace

Photo readJpeg(const std::string& path, int scale) {
    Photo photo;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        photo.error = path + " is not there";
        return photo;
    }
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return Photo{0, 0, {}, path + " could not be decoded"};
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(scale);
    jpeg_start_decompress(&info);
    photo.width = static_cast<int>(info.output_width);
    photo.height = static_cast<int>(info.output_height);
    photo.bgra.resize(static_cast<size_t>(photo.width) * photo.height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &photo.bgra[static_cast<size_t>(info.output_scanline) * photo.width * 4];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return photo;
}
#else
Photo readJpeg(const std::string& path, int) {
    return Photo{0, 0, {}, "no JPEG reader in this build for " + path};
}
#endif

} // namespace bench_support
