#include "files/jpeg_orientation.h"

#include "files/pixel_memory.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

namespace {

// Every message goes to standard error only, as the reader's own diagnostics.
void printNonfatal(const char* format, ...) {
    std::fputs("Nonfatal Error : ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

// A failure that ends the reading of the file.
struct FatalError {
    const char* text;
};

// The Exif (TIFF) block of one section: byte order, bounds-checked reads and
// the directory walk that looks for the orientation tag.
class ExifBlock {
public:
    ExifBlock(const uint8_t* data, uint32_t length, bool bigEndian, int* orientation)
        : data_(data), length_(length), bigEndian_(bigEndian), orientation_(orientation) {}

    // A directory at `offset` at nesting level `level`.
    void walkDirectory(uint32_t offset, int level);

private:
    enum : uint16_t {
        TagOrientation = 0x0112,
        TagExifOffset = 0x8769,
        TagInteropOffset = 0xA005,
    };

    bool holds(uint64_t offset, uint64_t size) const {
        return offset <= length_ && size <= length_ - offset;
    }
    uint16_t read16(uint32_t at) const {
        const uint8_t* p = data_ + at;
        return bigEndian_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t read32(uint32_t at) const {
        const uint8_t* p = data_ + at;
        return bigEndian_
                   ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    // The first value of a tag of `format` at `at` as a number (a rational is
    // its numerator divided by its denominator); NaN for text and undefined bytes.
    double number(uint32_t at, int format) const;
    void takeOrientation(uint32_t at, int format);

    // Directories may link to each other (or to themselves) in any way:
    // each is read once, and no more entries than any camera writes.
    static constexpr int kMaxEntries = 1024;

    const uint8_t* data_;
    uint32_t length_;
    bool bigEndian_;
    int* orientation_;
    int orientationTags_ = 0;
    int entriesRead_ = 0;
    std::unordered_set<uint32_t> visited_;
    std::unordered_set<const char*> reported_;

    // Each broken link is told about once per section, however often it recurs.
    void reportOnce(const char* text) {
        if (reported_.insert(text).second) printNonfatal("%s", text);
    }
};

// Sizes of one component of the formats 1 to 12.
const int formatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

double ExifBlock::number(uint32_t at, int format) const {
    switch (format) {
    case 1: // unsigned byte
        return data_[at];
    case 6: // signed byte
        return int8_t(data_[at]);
    case 3: // unsigned short
        return read16(at);
    case 8: // signed short
        return int16_t(read16(at));
    case 4: // unsigned long
        return read32(at);
    case 9: // signed long
        return int32_t(read32(at));
    case 5:    // unsigned rational
    case 10: { // signed rational
        const uint32_t numerator = read32(at), denominator = read32(at + 4);
        if (denominator == 0) return 0;
        return format == 5 ? double(numerator) / double(denominator)
                           : double(int32_t(numerator)) / double(int32_t(denominator));
    }
    case 11: { // single-precision float
        const uint32_t bits = read32(at);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case 12: { // double-precision float
        const uint64_t high = read32(bigEndian_ ? at : at + 4);
        const uint64_t low = read32(bigEndian_ ? at + 4 : at);
        const uint64_t bits = high << 32 | low;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    default:
        return std::nan("");
    }
}

void ExifBlock::takeOrientation(uint32_t at, int format) {
    if (orientationTags_ >= 2) {
        if (orientationTags_ == 2) printNonfatal("More than two orientation tags!");
        ++orientationTags_;
        return;
    }
    if (orientationTags_ == 0) {
        const double value = number(at, format);
        // Out of range (and not a number at all) is undefined; the range keeps the cast defined.
        const int rotation = value >= -1.0 && value <= 9.0 ? int(value) : -1;
        if (rotation < 0 || rotation > 8) {
            printNonfatal("Undefined rotation value %d", rotation);
            *orientation_ = 0;
        } else {
            *orientation_ = rotation;
        }
    }
    ++orientationTags_;
}

void ExifBlock::walkDirectory(uint32_t offset, int level) {
    // Once the orientation is found nothing else in the section is wanted.
    if (orientationTags_ > 0) return;
    if (level >= 5) {
        reportOnce("Maximum directory nesting exceeded (corrupt exif header)");
        return;
    }
    if (!holds(offset, 2)) {
        reportOnce("Illegally sized directory");
        return;
    }
    if (!visited_.insert(offset).second) {
        reportOnce("Illegal subdirectory link");
        return;
    }
    const uint32_t entries = read16(offset);
    const uint64_t end = uint64_t(offset) + 2 + 12 * uint64_t(entries);
    // The end must leave room for the link to the next directory, or lie
    // exactly two bytes before the data's end, or at it.
    if (end + 4 > length_ && end + 2 != length_ && end != length_) {
        reportOnce("Illegally sized directory");
        return;
    }
    for (uint32_t i = 0; i < entries; ++i) {
        if (++entriesRead_ > kMaxEntries) {
            if (entriesRead_ == kMaxEntries + 1)
                printNonfatal("Too many directory entries (corrupt exif header)");
            return;
        }
        const uint32_t entry = offset + 2 + 12 * i;
        const uint16_t tag = read16(entry);
        const uint16_t format = read16(entry + 2);
        const uint32_t components = read32(entry + 4);
        // Only the orientation matters: a broken entry of any other tag is
        // passed over without a word.
        const bool wanted = tag == TagOrientation;
        if (format < 1 || format > 12) {
            if (wanted)
                printNonfatal("Illegal number format %d for tag %04x", int(format), unsigned(tag));
            continue;
        }
        if (components > 65536) {
            if (wanted)
                printNonfatal("Illegal number of components %d for tag %04x", int(components),
                              unsigned(tag));
            continue;
        }
        const uint32_t size = components * uint32_t(formatBytes[format]);
        const uint32_t valueAt = size > 4 ? read32(entry + 8) : entry + 8;
        // The value, and at least one whole component of it, must lie within the data.
        if (!holds(valueAt, std::max<uint32_t>(size, uint32_t(formatBytes[format])))) {
            if (wanted) printNonfatal("Illegal value pointer for tag %04x", unsigned(tag));
            continue;
        }
        switch (tag) {
        case TagOrientation:
            takeOrientation(valueAt, format);
            break;
        case TagExifOffset:
        case TagInteropOffset: {
            const uint32_t subdirectory = read32(valueAt);
            if (subdirectory < length_)
                walkDirectory(subdirectory, level + 1);
            else
                reportOnce("Illegal exif or interop ofset directory link");
            break;
        }
        default:
            // Every other tag, the GPS directory among them, has nothing to
            // say about the orientation.
            break;
        }
    }
    if (end + 4 <= length_) {
        const uint32_t next = read32(uint32_t(end));
        if (next != 0) {
            if (next < length_)
                walkDirectory(next, level + 1);
            else
                reportOnce("Illegal subdirectory link");
        }
    }
}

// The data of an APP1 section that begins with "Exif".
void readExifSection(const std::vector<uint8_t>& section, int* orientation) {
    static const uint8_t header[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (section.size() < 6 || std::memcmp(section.data(), header, 6) != 0) {
        printNonfatal("Incorrect Exif header");
        return;
    }
    const uint8_t* tiff = section.data() + 6;
    const uint32_t length = uint32_t(section.size() - 6);
    if (length < 8) {
        printNonfatal("Invalid Exif alignment marker.");
        return;
    }
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else {
        printNonfatal("Invalid Exif alignment marker.");
        return;
    }
    const uint16_t magic =
        bigEndian ? uint16_t(tiff[2] << 8 | tiff[3]) : uint16_t(tiff[3] << 8 | tiff[2]);
    if (magic != 42) {
        printNonfatal("Invalid Exif start (1)");
        return;
    }
    const uint32_t first =
        bigEndian
            ? uint32_t(tiff[4]) << 24 | uint32_t(tiff[5]) << 16 | uint32_t(tiff[6]) << 8 | tiff[7]
            : uint32_t(tiff[7]) << 24 | uint32_t(tiff[6]) << 16 | uint32_t(tiff[5]) << 8 | tiff[4];
    if (first < 8 || first > 16) printNonfatal("Suspicious offset of first IFD value");
    ExifBlock block(tiff, length, bigEndian, orientation);
    block.walkDirectory(first, 0);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes each 32-bit pixel (x, y) of `from` to row (flipRows ? w - 1 - x : x),
// column (flipColumns ? h - 1 - y : y) of `to`, which is h wide and w high.
// Square tiles keep both sides of the exchange in the cache.
void quarterTurn(const QImage& from, QImage& to, bool flipRows, bool flipColumns) {
    constexpr int tile = 32;
    const int w = from.width(), h = from.height();
    const uchar* in = from.constBits();
    const qsizetype inRow = from.bytesPerLine();
    uchar* out = to.bits();
    const qsizetype outRow = to.bytesPerLine();
    for (int y0 = 0; y0 < h; y0 += tile) {
        const int y1 = std::min(y0 + tile, h);
        for (int x0 = 0; x0 < w; x0 += tile) {
            const int x1 = std::min(x0 + tile, w);
            for (int x = x0; x < x1; ++x) {
                auto* target =
                    reinterpret_cast<quint32*>(out + (flipRows ? w - 1 - x : x) * outRow);
                const uchar* source = in + 4 * qsizetype(x);
                if (flipColumns) {
                    for (int y = y0; y < y1; ++y)
                        target[h - 1 - y] = *reinterpret_cast<const quint32*>(source + y * inRow);
                } else {
                    for (int y = y0; y < y1; ++y)
                        target[y] = *reinterpret_cast<const quint32*>(source + y * inRow);
                }
            }
        }
    }
}

// Walks the sections up to the start of the compressed data; false when the
// file is no JPEG or its sections are broken. Throws FatalError.
bool readSections(std::FILE* file, int* orientation) {
    if (std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8) return false;
    std::vector<uint8_t> data;
    for (;;) {
        // The marker, after at most six 0xFF bytes in all.
        int marker = 0;
        for (int count = 0;; ++count) {
            marker = std::fgetc(file);
            if (marker != 0xFF) break;
            if (count >= 6) {
                std::fputs("too many padding bytes\n", stderr);
                return false;
            }
        }
        const int high = std::fgetc(file);
        const int low = std::fgetc(file);
        if (high == EOF || low == EOF || (high << 8 | low) < 2) throw FatalError{"invalid marker"};
        const std::size_t length = std::size_t(high << 8 | low) - 2;
        data.resize(length);
        if (std::fread(data.data(), 1, length, file) != length)
            throw FatalError{"Premature end of file?"};

        switch (marker) {
        case 0xDA: // start of scan: the compressed data follow
            return true;
        case 0xD9: // end of image
            std::fputs("No image in jpeg!\n", stderr);
            return false;
        case 0xE1:
            if (length >= 4 && std::memcmp(data.data(), "Exif", 4) == 0)
                readExifSection(data, orientation);
            break;
        default:
            // Frame headers, comments, JFIF and the rest tell nothing about the orientation.
            break;
        }
    }
}

} // namespace

int jpegOrientation(const QString& fileName) {
    const QByteArray name = fileName.toLocal8Bit();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.constData(), "rb"));
    if (!file) {
        std::fprintf(stderr, "can't open '%s'\n", name.constData());
        return 0;
    }
    int orientation = 0;
    try {
        if (readSections(file.get(), &orientation)) return orientation;
        std::fprintf(stderr, "Not JPEG: %s\n", name.constData());
    } catch (const FatalError& error) {
        std::fprintf(stderr, "Error : %s\n", error.text);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Error : %s\n", "Could not allocate memory");
    }
    return 0;
}

QMatrix orientationMatrix(int orientation) {
    // Each operation applies to the coordinate system built so far, so in
    // "rotate, then scale" the picture is mirrored first and then turned.
    QMatrix matrix;
    switch (orientation) {
    case 2: // mirrored left to right
        matrix.scale(-1, 1);
        break;
    case 3: // upside down
        matrix.rotate(180);
        break;
    case 4: // mirrored top to bottom
        matrix.rotate(180);
        matrix.scale(-1, 1);
        break;
    case 5: // transposed: the stored rows are the picture's columns
        matrix.rotate(-90);
        matrix.scale(-1, 1);
        break;
    case 6: // turn a quarter clockwise
        matrix.rotate(90);
        break;
    case 7: // transversed: mirrored across the other diagonal
        matrix.rotate(90);
        matrix.scale(-1, 1);
        break;
    case 8: // turn a quarter anticlockwise
        matrix.rotate(-90);
        break;
    default:
        break;
    }
    return matrix;
}

QMatrix jpegOrientationMatrix(const QString& fileName) {
    return orientationMatrix(jpegOrientation(fileName));
}

void applyOrientation(QImage& image, int orientation) {
    if (image.isNull()) return;
    switch (orientation) {
    case 2:
        image = std::move(image).mirrored(true, false);
        return;
    case 3:
        image = std::move(image).mirrored(true, true);
        return;
    case 4:
        image = std::move(image).mirrored(false, true);
        return;
    case 5:
    case 6:
    case 7:
    case 8: {
        QImage turned;
        if (image.depth() == 32) turned = newPixelImage(image.size().transposed(), image.format());
        if (turned.isNull()) {
            // Other depths (grey, indexed) are rare and small enough for Qt's general way.
            image = image.transformed(QTransform(orientationMatrix(orientation)),
                                      Qt::FastTransformation);
            return;
        }
        // Where source pixel (x, y) goes: row x or w - 1 - x, column y or h - 1 - y.
        quarterTurn(image, turned, orientation == 7 || orientation == 8,
                    orientation == 6 || orientation == 7);
        turned.setDotsPerMeterX(image.dotsPerMeterY());
        turned.setDotsPerMeterY(image.dotsPerMeterX());
        image = std::move(turned);
        return;
    }
    default:
        return;
    }
}

void applyJpegOrientation(const QString& fileName, QImage& image) {
    const int orientation = jpegOrientation(fileName);
    if (orientation > 1) applyOrientation(image, orientation);
}
