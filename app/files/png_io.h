// PNG files at 8 and 16 bits per sample, read and written with libpng.
//
// In memory the pixels are four channels in the order blue, green, red and
// alpha (16-bit samples in machine order, PixelView); in the file they are
// red, green, blue and alpha. Every function exchanges the channels on the way.
//
// Reading checks the whole file first (files/png_check.h): a picture beyond
// the pixel limit, or one its data cannot hold, is Failed before anything is
// allocated for it, and libpng is held to the same bounds.
//
// Failures come back as results and texts; nothing is printed. Only running
// out of memory for a picture within the limit escapes, as std::bad_alloc, so
// that callers can tell it from a file they cannot read.
#ifndef APP_FILES_PNG_IO_H
#define APP_FILES_PNG_IO_H

#include "files/image_read_result.h"
#include "files/pixel_store.h"
#include "files/pixel_view.h"

#include <QByteArray>
#include <QString>

namespace png_io {

// Reads a PNG of colour type RGB or RGB with alpha at 16 bits per sample into
// `pixels` (an RGB file gets alpha 65535). Any other PNG is WrongKind; a file
// that is no PNG is Unrecognised. `pixels` is empty unless the result is Ok.
ImageReadResult readRgb16(const QString& fileName, PixelStore16& pixels);

// Reads the bytes of a PNG file of colour type RGB with alpha (or RGB) at 16
// or 8 bits per sample; any other depth or type is WrongKind.
ImageReadResult decodeRgba16(const QByteArray& bytes, PixelStore16& pixels);
ImageReadResult decodeRgba8(const QByteArray& bytes, PixelStore8& pixels);

// Writes the view as a PNG of colour type RGB with alpha at 8 or 16 bits per
// sample, through a temporary file that replaces `fileName` only when it is
// complete. On failure answers false with `error` set; a file that was there
// stays as it was.
bool write(const QString& fileName, const PixelView8& pixels, QString* error = nullptr);
bool write(const QString& fileName, const PixelView16& pixels, QString* error = nullptr);

// The bytes of a PNG file of the same kind as write() writes, compressed
// for speed rather than size (pixels kept in projects); false on failure.
bool encode(const PixelView8& pixels, QByteArray* bytes, QString* error = nullptr);
bool encode(const PixelView16& pixels, QByteArray* bytes, QString* error = nullptr);

} // namespace png_io

#endif
