// What a JPEG file announces, checked against what it holds, before the
// decoder allocates for it.
//
// The decoder fills rows it finds no data for with grey and calls that a
// picture; so the walk requires, before any decoding: one frame header with
// a picture within the pixel limit (files/image_limits.h), at least one scan,
// no more scans than any encoder writes, compressed data enough for the
// picture (every 8 x 8 block of a Huffman-coded picture costs at least one
// bit) and the end-of-image marker after the last scan.
#ifndef APP_FILES_JPEG_CHECK_H
#define APP_FILES_JPEG_CHECK_H

#include <QString>
#include <QtGlobal>

#include <cstddef>

namespace jpeg_check {

// Whether `data` starts with the start-of-image marker.
bool hasSignature(const uchar* data, std::size_t size);

// Checks the JPEG in `data`. Empty when the decoder may be given it, else
// why not (for the log).
QString inspect(const uchar* data, std::size_t size);

} // namespace jpeg_check

#endif
