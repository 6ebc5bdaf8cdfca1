#include "support/photo.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace test_support {

Photo readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    Photo photo;
    photo.width = static_cast<int>(image.width);
    photo.height = static_cast<int>(image.height);
    photo.bgra.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, photo.bgra.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    return photo;
}

} // namespace test_support
