// Real photographs for the tests, read from PNG files into the engine's pixel
// layout.
#ifndef TESTS_SUPPORT_PHOTO_H
#define TESTS_SUPPORT_PHOTO_H

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// An 8-bit blue-green-red-alpha image, rows `width` * 4 bytes apart.
struct Photo {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;

    int rowBytes() const { return width * 4; }
};

// Reads an 8-bit or 16-bit PNG of any colour type; grey and palette images are
// expanded, 16-bit samples reduced to 8 bits, and a missing alpha becomes 255.
// Returns an empty photo when the file cannot be read.
Photo readPng(const std::string& path);

} // namespace test_support

#endif
