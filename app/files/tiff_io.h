// TIFF files at 8 and 16 bits per sample, read and written with libtiff.
//
// In memory the pixels are four channels in the order blue, green, red and
// alpha (16-bit samples in machine order, PixelView); in the file they are
// red, green, blue (and alpha). libtiff's messages are collected for the
// result, never printed. Only running out of memory for the pixels escapes, as
// std::bad_alloc.
#ifndef APP_FILES_TIFF_IO_H
#define APP_FILES_TIFF_IO_H

#include "files/image_read_result.h"
#include "files/pixel_store.h"
#include "files/pixel_view.h"

#include <QString>

namespace tiff_io {

// Reads a TIFF of photometric interpretation RGB with 16 unsigned bits per
// sample, in strips or tiles, with three samples a pixel (alpha 65535) or a
// fourth that is unassociated or unspecified alpha. Other 16-bit RGB layouts
// and every other TIFF are WrongKind; a file that cannot be opened as TIFF
// is Unrecognised with the text "tiff_reader: fail to open file". Failed, and
// nothing allocated for the pixels, when a 16-bit RGB file has fewer than
// three samples a pixel, its picture is beyond the pixel limit
// (files/image_limits.h), its strips or tiles lie outside the file or
// cannot hold the picture, or a tile is far larger than the picture; libtiff
// itself allocates no more than a picture at the limit needs.
ImageReadResult readRgb16(const QString& fileName, PixelStore16& pixels);

// Writes the view as an RGB TIFF with unassociated alpha, four samples of 8 or
// 16 bits a pixel (LZW with horizontal prediction), through a temporary file
// that replaces `fileName` only when it is complete. On failure answers false
// with `error` set ("tiff_writer: fail to open file" when the file cannot be
// created); a file that was there stays as it was.
bool write(const QString& fileName, const PixelView8& pixels, QString* error = nullptr);
bool write(const QString& fileName, const PixelView16& pixels, QString* error = nullptr);

} // namespace tiff_io

#endif
