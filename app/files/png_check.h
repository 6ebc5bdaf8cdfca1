// What a PNG file announces, checked against what it holds, before any
// reader allocates for it.
//
// The walk reads the chunk structure only: every chunk must lie within the
// data, the header must come first and describe a picture within the pixel
// limit (files/image_limits.h), and the compressed pixel data must be able to
// hold that picture (deflate packs at most 1032 bytes into one). Compressed
// text and colour-profile chunks are inflated on the way, counting only, so
// that none unpacks into more than a few megabytes inside a reader. The file
// must end with its end chunk: data cut short is not a picture.
//
// Pixels, chunk CRCs and the meaning of the ancillary chunks are left to the
// decoder (libpng, directly or inside Qt).
#ifndef APP_FILES_PNG_CHECK_H
#define APP_FILES_PNG_CHECK_H

#include <QString>
#include <QtGlobal>

#include <cstddef>

namespace png_check {

struct Facts {
    quint32 width = 0;
    quint32 height = 0;
    int depth = 0;
    int colourType = 0;
    // Bytes from the signature to the end of the end chunk: where the PNG
    // ends inside a longer stream.
    std::size_t end = 0;
};

// Whether `data` starts with the PNG signature.
bool hasSignature(const uchar* data, std::size_t size);

// Checks the PNG at the start of `data` (`size` bytes, more may follow it).
// Empty when a decoder may be given it, else why not (for the log).
QString inspect(const uchar* data, std::size_t size, Facts* facts = nullptr);

} // namespace png_check

#endif
