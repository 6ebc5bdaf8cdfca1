#include "support/bench_support.h"

#include "api/vardek.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
