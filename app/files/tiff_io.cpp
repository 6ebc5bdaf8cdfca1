#include "files/tiff_io.h"

#include "files/image_limits.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <tiffio.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace tiff_io {
namespace {

// libtiff's messages for one file: the first error is kept for the result;
// warnings (unknown tags and the like) are dropped. Neither reaches standard
// error, because the handlers are the file's own and answer that they handled
// the message.
struct Messages {
    char firstError[200] = {};
};

// Tiles up to this side are taken whatever the picture's size.
constexpr uint32_t kMaxTileSide = 1024;

// The most bytes one stored byte can unpack to, by compression; 0 where no
// bound is known.
quint64 unpackRatio(uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64; // a run of 128 bytes in 2
    case COMPRESSION_LZW:
        return 4096; // a code of at least 9 bits stands for at most 4096 bytes
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032;
    default:
        return 0;
    }
}

// Whether the strips or tiles of the file can hold a picture of `rawBytes`
// bytes: each must lie within the file, and together they must unpack to
// at least that much.
QString storageProblem(TIFF* tiff, quint64 fileSize, quint64 rawBytes) {
    const uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0 || count > fileSize) return QStringLiteral("Unexpected number of strips");
    quint64 stored = 0;
    for (uint32_t i = 0; i < count; ++i) {
        int failed = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &failed);
        if (failed) return QStringLiteral("Unreadable strip offsets");
        const uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, i, &failed);
        if (failed) return QStringLiteral("Unreadable strip sizes");
        if (offset > fileSize || bytes > fileSize - offset)
            return QStringLiteral("A strip lies beyond the end of the file");
        stored += bytes;
    }
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const quint64 ratio = unpackRatio(compression);
    if (ratio != 0 && rawBytes > stored * ratio + 1024)
        return QStringLiteral("The file cannot hold its pixels");
    return QString();
}

int onError(TIFF*, void* userData, const char* module, const char* format, va_list arguments) {
    auto* messages = static_cast<Messages*>(userData);
    if (messages->firstError[0] == 0) {
        char text[160];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::snprintf(messages->firstError, sizeof messages->firstError, "%s: %s",
                      module ? module : "libtiff", text);
    }
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

// Opens `descriptor` (ours from now on; closed with the result) with libtiff
// under the name `fileName`, with the messages collected in `messages`.
Tiff openDescriptor(int descriptor, const QString& fileName, bool forWriting, Messages* messages) {
    if (descriptor < 0) return nullptr;
    const QByteArray path = QFile::encodeName(fileName);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        ::close(descriptor);
        throw std::bad_alloc();
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, messages);
    // No single allocation of libtiff's own beyond what a picture at the
    // limit needs: a directory of a few bytes can announce gigabytes.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(image_limits::maxPixels()) * 8);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, messages);
    TIFF* tiff = TIFFFdOpenExt(descriptor, path.constData(), forWriting ? "w" : "r", options);
    TIFFOpenOptionsFree(options);
    if (!tiff) ::close(descriptor);
    return Tiff(tiff);
}

// Opens `fileName` for reading with libtiff over a descriptor of our own, so
// that even a file that cannot be opened is reported here and not by libtiff.
Tiff openForReading(const QString& fileName, Messages* messages) {
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    return openDescriptor(descriptor, fileName, false, messages);
}

QString errorText(const Messages& messages, const char* fallback) {
    return QString::fromLocal8Bit(messages.firstError[0] ? messages.firstError : fallback);
}

// Moves `count` pixels of `samplesPerPixel` samples (red, green, blue and maybe
// alpha) into blue, green, red, alpha.
void toStoreOrder(const quint16* from, int samplesPerPixel, int count, quint16* to) {
    for (int i = 0; i < count; ++i, from += samplesPerPixel, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = samplesPerPixel == 4 ? from[3] : 0xffff;
    }
}

template <typename Sample> void toFileOrder(const Sample* from, int count, Sample* to) {
    for (int i = 0; i < count; ++i, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = from[3];
    }
}

// Whether the fourth sample of a pixel is an alpha we can take as it is.
bool hasPlainAlpha(TIFF* tiff) {
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count != 1) return false;
    return kinds[0] == EXTRASAMPLE_UNASSALPHA || kinds[0] == EXTRASAMPLE_UNSPECIFIED;
}

ImageReadResult readStrips(TIFF* tiff, int samplesPerPixel, const PixelView16& view,
                           const Messages& messages) {
    const tmsize_t lineBytes = TIFFScanlineSize(tiff);
    if (lineBytes < tmsize_t(view.width) * samplesPerPixel * 2)
        return ImageReadResult::failure(ImageReadResult::Failed,
                                        QStringLiteral("Unexpected scan line size"));
    std::vector<quint16> line(std::size_t(lineBytes) / 2 + 1);
    for (int y = 0; y < view.height; ++y) {
        if (TIFFReadScanline(tiff, line.data(), uint32_t(y), 0) < 0)
            return ImageReadResult::failure(ImageReadResult::Failed,
                                            errorText(messages, "Read error"));
        toStoreOrder(line.data(), samplesPerPixel, view.width, view.row(y));
    }
    return ImageReadResult::success();
}

ImageReadResult readTiles(TIFF* tiff, int samplesPerPixel, const PixelView16& view,
                          const Messages& messages) {
    uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const tmsize_t tileBytes = TIFFTileSize(tiff);
    // A tile may reach past the picture's edge, but not far: the buffer
    // for one is allocated before any of its data is read.
    const auto fits = [](uint32_t tile, int side) {
        return tile <= std::max<uint32_t>((uint32_t(side) + 15) / 16 * 16, kMaxTileSide);
    };
    if (tileWidth == 0 || tileHeight == 0 || !fits(tileWidth, view.width) ||
        !fits(tileHeight, view.height) ||
        tileBytes < tmsize_t(tileWidth) * tileHeight * samplesPerPixel * 2)
        return ImageReadResult::failure(ImageReadResult::Failed,
                                        QStringLiteral("Unexpected tile size"));
    std::vector<quint16> tile(std::size_t(tileBytes) / 2 + 1);
    const uint32_t width = uint32_t(view.width), height = uint32_t(view.height);
    for (uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
        for (uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
            if (TIFFReadTile(tiff, tile.data(), x0, y0, 0, 0) < 0)
                return ImageReadResult::failure(ImageReadResult::Failed,
                                                errorText(messages, "Read error"));
            const uint32_t rows = std::min(tileHeight, height - y0);
            const uint32_t columns = std::min(tileWidth, width - x0);
            for (uint32_t r = 0; r < rows; ++r)
                toStoreOrder(tile.data() + std::size_t(r) * tileWidth * samplesPerPixel,
                             samplesPerPixel, int(columns), view.row(int(y0 + r)) + 4 * x0);
        }
    }
    return ImageReadResult::success();
}

// Written into a temporary file beside the target, which replaces the target
// only once it is complete: a write that fails (a full disk) leaves the file
// that was there as it was. libtiff writes through a duplicate of the
// temporary file's descriptor, which it closes; the file itself stays open
// until it is committed or, when the write failed, discarded.
template <typename Sample>
bool writeFile(const QString& fileName, const PixelView<Sample>& view, QString* error) {
    auto fail = [&](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (view.isEmpty()) return fail(QStringLiteral("No pixels to write"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("tiff_writer: fail to open file"));
    Messages messages;
    Tiff tiff =
        openDescriptor(::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0), fileName, true, &messages);
    if (!tiff) return fail(QStringLiteral("tiff_writer: fail to open file"));

    const uint16_t alpha[] = {EXTRASAMPLE_UNASSALPHA};
    bool written =
        TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, uint32_t(view.width)) &&
        TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, uint32_t(view.height)) &&
        TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, uint16_t(8 * sizeof(Sample))) &&
        TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, uint16_t(4)) &&
        TIFFSetField(tiff.get(), TIFFTAG_EXTRASAMPLES, uint16_t(1), alpha) &&
        TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB)) &&
        TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
        TIFFSetField(tiff.get(), TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT)) &&
        TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW)) &&
        TIFFSetField(tiff.get(), TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL)) &&
        TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff.get(), 0));
    std::vector<Sample> line(std::size_t(view.rowSamples()));
    for (int y = 0; written && y < view.height; ++y) {
        toFileOrder(view.row(y), view.width, line.data());
        written = TIFFWriteScanline(tiff.get(), line.data(), uint32_t(y), 0) == 1;
    }
    if (written) written = TIFFFlush(tiff.get()) == 1;
    QString text = errorText(messages, "tiff_writer: write error");
    tiff.reset();
    // QSaveFile's commit does not see a failure of the last flush (the one
    // inside close); flushed first, a full disk is seen here.
    if (written && !(file.flush() && file.commit())) {
        written = false;
        text = QStringLiteral("tiff_writer: write error: ") + file.errorString();
    }
    // Uncommitted, the temporary file goes with `file`.
    return written || fail(text);
}

} // namespace

ImageReadResult readRgb16(const QString& fileName, PixelStore16& pixels) {
    pixels.clear();
    Messages messages;
    Tiff tiff = openForReading(fileName, &messages);
    if (!tiff)
        return ImageReadResult::failure(ImageReadResult::Unrecognised,
                                        QStringLiteral("tiff_reader: fail to open file"));
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, photometric = 0, samplesPerPixel = 0, planar = 0, sampleFormat = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    const QString kind = QStringLiteral("TIFF of %1 bits per sample, photometric %2, %3 samples "
                                        "per pixel")
                             .arg(bits)
                             .arg(photometric)
                             .arg(samplesPerPixel);
    if (bits != 16 || photometric != PHOTOMETRIC_RGB)
        return ImageReadResult::failure(ImageReadResult::WrongKind, kind);
    // RGB at 16 bits is this reader's: with fewer than three samples a pixel
    // the file contradicts itself, and no other reader may guess at it.
    if (samplesPerPixel < 3) return ImageReadResult::failure(ImageReadResult::Failed, kind);
    // Other layouts of 16-bit RGB (planes, floats, associated alpha) are
    // left to the general reader, which takes them at 8 bits.
    const bool rgb16 =
        sampleFormat == SAMPLEFORMAT_UINT && planar == PLANARCONFIG_CONTIG &&
        (samplesPerPixel == 3 || (samplesPerPixel == 4 && hasPlainAlpha(tiff.get())));
    if (!rgb16) return ImageReadResult::failure(ImageReadResult::WrongKind, kind);
    if (!image_limits::fitsPixelLimit(width, height) || width > 0x7fffffffu || height > 0x7fffffffu)
        return ImageReadResult::failure(
            ImageReadResult::Failed,
            QStringLiteral("TIFF of %1 x %2 pixels is empty or beyond the limit")
                .arg(width)
                .arg(height));
    const QString storage = storageProblem(tiff.get(), quint64(QFileInfo(fileName).size()),
                                           quint64(width) * height * samplesPerPixel * 2);
    if (!storage.isEmpty()) return ImageReadResult::failure(ImageReadResult::Failed, storage);
    pixels.allocate(int(width), int(height));
    const ImageReadResult result =
        TIFFIsTiled(tiff.get()) ? readTiles(tiff.get(), samplesPerPixel, pixels.view(), messages)
                                : readStrips(tiff.get(), samplesPerPixel, pixels.view(), messages);
    if (!result.ok()) pixels.clear();
    return result;
}

bool write(const QString& fileName, const PixelView8& pixels, QString* error) {
    return writeFile(fileName, pixels, error);
}

bool write(const QString& fileName, const PixelView16& pixels, QString* error) {
    return writeFile(fileName, pixels, error);
}

} // namespace tiff_io
