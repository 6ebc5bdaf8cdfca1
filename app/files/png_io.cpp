#include "files/png_io.h"

#include "files/image_limits.h"
#include "files/png_check.h"

#include <QFile>
#include <QSaveFile>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace png_io {
namespace {

// libpng reports errors by calling back and jumping out with longjmp. The
// functions below that hold a setjmp point keep only trivial locals, so the
// jump never skips a destructor; everything with one lives in their callers.

// zlib's level for pixels encoded in memory (1 fastest, 9 smallest).
constexpr int kProjectCompressionLevel = 2;
// The most libpng may allocate for one ancillary chunk (text, profiles).
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(64) << 20;

struct ErrorText {
    char text[200] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message ? message : "libpng error");
    png_longjmp(png, 1);
}

// Warnings (a bad gamma chunk, an unknown profile) do not stop a read and are not shown.
void onWarning(png_structp, png_const_charp) {}

struct MemorySource {
    const uchar* data;
    std::size_t size;
    std::size_t position;
};

void readFromMemory(png_structp png, png_bytep out, std::size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) png_error(png, "Read past the end of the data");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

void writeToMemory(png_structp png, png_bytep data, std::size_t length) {
    auto* bytes = static_cast<QByteArray*>(png_get_io_ptr(png));
    bool written = false;
    try {
        bytes->append(reinterpret_cast<const char*>(data), static_cast<int>(length));
        written = true;
    } catch (...) {
    }
    if (!written) png_error(png, "Out of memory");
}

void writeToDevice(png_structp png, png_bytep data, std::size_t length) {
    auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
    bool written = false;
    try {
        written =
            device->write(reinterpret_cast<const char*>(data), qint64(length)) == qint64(length);
    } catch (...) {
    }
    if (!written) png_error(png, "png_writer: write error");
}

void flushNothing(png_structp) {}

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int depth;
    int colourType;
};

bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &header->depth, &header->colourType,
                 &interlace, nullptr, nullptr);
    return true;
}

// Sets the transformations to four channels blue, green, red, alpha in machine
// order and reads every row (interlaced files too).
bool readRows(png_structp png, png_infop info, png_bytepp rows, std::size_t rowBytes) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (png_get_bit_depth(png, info) == 16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) png_set_swap(png);
    png_set_bgr(png);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB)
        png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "Unexpected row size");
    png_read_image(png, rows);
    return true;
}

bool writeRows(png_structp png, png_infop info, const Header* header, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, header->width, header->height, header->depth, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (header->depth == 16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) png_set_swap(png);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

class ReadStructs {
public:
    ReadStructs() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, onError, onWarning);
        if (png_) info_ = png_create_info_struct(png_);
        if (!png_ || !info_) {
            destroy();
            throw std::bad_alloc();
        }
        // Checked before (png_check.h); libpng holds to the same bounds itself.
        const png_uint_32 side =
            png_uint_32(std::min<qint64>(image_limits::maxPixels(), 0x7fffffff));
        png_set_user_limits(png_, side, side);
        png_set_chunk_malloc_max(png_, kMaxChunkBytes);
    }
    ~ReadStructs() { destroy(); }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    QString errorText() const { return QString::fromLocal8Bit(error_.text); }

private:
    void destroy() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    ErrorText error_;
};

class WriteStructs {
public:
    WriteStructs() {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, onError, onWarning);
        if (png_) info_ = png_create_info_struct(png_);
        if (!png_ || !info_) {
            destroy();
            throw std::bad_alloc();
        }
    }
    ~WriteStructs() { destroy(); }
    WriteStructs(const WriteStructs&) = delete;
    WriteStructs& operator=(const WriteStructs&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    QString errorText() const { return QString::fromLocal8Bit(error_.text); }

private:
    void destroy() { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    ErrorText error_;
};

// Reads an opened source whose signature was checked: `wantedDepth` bits per
// sample, colour type RGB or RGB with alpha.
template <typename Sample>
ImageReadResult readPixels(ReadStructs& structs, PixelStore<Sample>& pixels) {
    const int wantedDepth = 8 * static_cast<int>(sizeof(Sample));
    Header header{};
    if (!readHeader(structs.png(), structs.info(), &header))
        return ImageReadResult::failure(ImageReadResult::Unrecognised, structs.errorText());
    if (header.depth != wantedDepth ||
        (header.colourType != PNG_COLOR_TYPE_RGB && header.colourType != PNG_COLOR_TYPE_RGB_ALPHA))
        return ImageReadResult::failure(
            ImageReadResult::WrongKind,
            QStringLiteral("PNG of colour type %1 with %2 bits per sample, not RGB(A) at %3")
                .arg(header.colourType)
                .arg(header.depth)
                .arg(wantedDepth));
    if (!image_limits::fitsPixelLimit(header.width, header.height))
        return ImageReadResult::failure(ImageReadResult::Failed,
                                        QStringLiteral("PNG of %1 x %2 pixels is beyond the limit")
                                            .arg(header.width)
                                            .arg(header.height));
    pixels.allocate(static_cast<int>(header.width), static_cast<int>(header.height));
    const PixelView<Sample> view = pixels.view();
    std::vector<png_bytep> rows(static_cast<std::size_t>(view.height));
    for (int y = 0; y < view.height; ++y)
        rows[std::size_t(y)] = reinterpret_cast<png_bytep>(view.row(y));
    if (!readRows(structs.png(), structs.info(), rows.data(), std::size_t(view.rowBytes))) {
        pixels.clear();
        return ImageReadResult::failure(ImageReadResult::Failed, structs.errorText());
    }
    return ImageReadResult::success();
}

// Reads the PNG in `data` after checking what it announces (png_check.h).
template <typename Sample>
ImageReadResult decodeChecked(const uchar* data, std::size_t size, PixelStore<Sample>& pixels) {
    pixels.clear();
    if (!png_check::hasSignature(data, size))
        return ImageReadResult::failure(ImageReadResult::Unrecognised,
                                        QStringLiteral("Not a PNG file"));
    const QString problem = png_check::inspect(data, size);
    if (!problem.isEmpty()) return ImageReadResult::failure(ImageReadResult::Failed, problem);
    ReadStructs structs;
    MemorySource source{data, size, 8};
    png_set_read_fn(structs.png(), &source, readFromMemory);
    png_set_sig_bytes(structs.png(), 8);
    return readPixels(structs, pixels);
}

// Row pointers over a view, for libpng, which does not write through them.
template <typename Sample> std::vector<png_bytep> rowsOf(const PixelView<Sample>& view) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(view.height));
    for (int y = 0; y < view.height; ++y)
        rows[std::size_t(y)] = reinterpret_cast<png_bytep>(view.row(y));
    return rows;
}

template <typename Sample> Header headerOf(const PixelView<Sample>& view) {
    return Header{png_uint_32(view.width), png_uint_32(view.height),
                  8 * static_cast<int>(sizeof(Sample)), PNG_COLOR_TYPE_RGB_ALPHA};
}

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

// Written into a temporary file beside the target, which replaces the target
// only once it is complete: a write that fails (a full disk) leaves the file
// that was there as it was.
template <typename Sample>
bool writeFile(const QString& fileName, const PixelView<Sample>& view, QString* error) {
    if (view.isEmpty()) {
        setError(error, QStringLiteral("No pixels to write"));
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("png_writer: fail to open file"));
        return false;
    }
    bool written;
    QString text;
    {
        WriteStructs structs;
        png_set_write_fn(structs.png(), &file, writeToDevice, flushNothing);
        std::vector<png_bytep> rows = rowsOf(view);
        const Header header = headerOf(view);
        written = writeRows(structs.png(), structs.info(), &header, rows.data());
        if (!written) text = structs.errorText();
    }
    // QSaveFile's commit does not see a failure of the last flush (the one
    // inside close); flushed first, a full disk is seen here.
    if (written && !(file.flush() && file.commit())) {
        written = false;
        text = QStringLiteral("png_writer: write error: ") + file.errorString();
    }
    // Uncommitted, the temporary file goes with `file`.
    if (!written) setError(error, text);
    return written;
}

template <typename Sample>
bool encodeBytes(const PixelView<Sample>& view, QByteArray* bytes, QString* error) {
    bytes->clear();
    if (view.isEmpty()) {
        setError(error, QStringLiteral("No pixels to write"));
        return false;
    }
    WriteStructs structs;
    png_set_write_fn(structs.png(), bytes, writeToMemory, flushNothing);
    // Pixels kept inside a project: saving quickly matters more than the
    // last bytes. A fast zlib level and the one "up" filter (each row less
    // the row above) in place of trying every filter on every row: on a
    // photograph several times faster than the defaults, for a file about a
    // fifth larger. Any PNG reader takes it.
    png_set_compression_level(structs.png(), kProjectCompressionLevel);
    png_set_filter(structs.png(), PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    std::vector<png_bytep> rows = rowsOf(view);
    const Header header = headerOf(view);
    if (writeRows(structs.png(), structs.info(), &header, rows.data())) return true;
    bytes->clear();
    setError(error, structs.errorText());
    return false;
}

} // namespace

ImageReadResult readRgb16(const QString& fileName, PixelStore16& pixels) {
    pixels.clear();
    // Mapped, so that the file is checked whole before libpng reads it.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return ImageReadResult::failure(ImageReadResult::Unrecognised,
                                        QStringLiteral("png_reader: fail to open file"));
    const qint64 size = file.size();
    const uchar* data = size >= 8 ? file.map(0, size) : nullptr;
    if (!data)
        return ImageReadResult::failure(ImageReadResult::Unrecognised,
                                        QStringLiteral("Not a PNG file"));
    return decodeChecked(data, std::size_t(size), pixels);
}

ImageReadResult decodeRgba16(const QByteArray& bytes, PixelStore16& pixels) {
    return decodeChecked(reinterpret_cast<const uchar*>(bytes.constData()),
                         std::size_t(bytes.size()), pixels);
}

ImageReadResult decodeRgba8(const QByteArray& bytes, PixelStore8& pixels) {
    return decodeChecked(reinterpret_cast<const uchar*>(bytes.constData()),
                         std::size_t(bytes.size()), pixels);
}

bool write(const QString& fileName, const PixelView8& pixels, QString* error) {
    return writeFile(fileName, pixels, error);
}

bool write(const QString& fileName, const PixelView16& pixels, QString* error) {
    return writeFile(fileName, pixels, error);
}

bool encode(const PixelView8& pixels, QByteArray* bytes, QString* error) {
    return encodeBytes(pixels, bytes, error);
}

bool encode(const PixelView16& pixels, QByteArray* bytes, QString* error) {
    return encodeBytes(pixels, bytes, error);
}

} // namespace png_io
