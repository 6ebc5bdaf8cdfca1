// Small images and files for the file-handling tests: pixel stores the tests
// fill by hand, 16-bit files written by Qt's own writers (so that our readers
// are checked against another implementation), and a temporary folder.
#ifndef TESTS_APP_FILES_IMAGE_FIXTURES_H
#define TESTS_APP_FILES_IMAGE_FIXTURES_H

#include "files/pixel_store.h"

#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <array>
#include <functional>

namespace fixtures {

using Bgra16 = std::array<quint16, 4>;
using Bgra8 = std::array<uchar, 4>;

// A store of width x height pixels, each set by `pixel(x, y)`.
PixelStore16 store16(int width, int height, const std::function<Bgra16(int x, int y)>& pixel);
PixelStore8 store8(int width, int height, const std::function<Bgra8(int x, int y)>& pixel);

Bgra16 pixelAt(const PixelView16& view, int x, int y);
Bgra8 pixelAt(const PixelView8& view, int x, int y);

// A 16-bit image in Qt's RGBA64 (or, without alpha, RGBX64) format holding
// the store's samples, for Qt's PNG and TIFF writers.
QImage qtImage16(const PixelView16& pixels, bool withAlpha);

// Samples with 16 bits of their own (not multiples of 257), so that an 8-bit
// detour would show.
Bgra16 samplePixel(int x, int y, bool withAlpha);

// A temporary folder that lives as long as the fixture.
class Folder {
public:
    Folder();
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// Writes `bytes` into `path`.
void writeFile(const QString& path, const QByteArray& bytes);

// While it lives, no file of the process may grow beyond `bytes`: a disk that
// fills up. Writes beyond it fail (with EFBIG, the signal that would
// otherwise end the process ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// While it lives, the process may map no more than `room` bytes beyond
// what it maps now: memory that runs out. Not under a sanitizer, which
// reserves address space of its own.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t room);
    ~AddressSpaceLimit();
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit old_{};
};

} // namespace fixtures

#endif
