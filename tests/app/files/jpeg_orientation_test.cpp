// The Exif orientation reader on small JPEG files made here byte by byte: a
// real JPEG from Qt's writer with an Exif section spliced in after its start.
#include "files/jpeg_orientation.h"

#include "files/zt_source_image.h"
#include "image_fixtures.h"
#include "support/test_environment.h"

#include <QBuffer>
#include <QColor>
#include <QPoint>
#include <QTransform>
#include <QVector>

#include <gtest/gtest.h>

#include <functional>

namespace {

// ---------------------------------------------------------------------------
// Building Exif sections
// ---------------------------------------------------------------------------

// Bytes in one byte order.
class Bytes {
public:
    explicit Bytes(bool bigEndian) : bigEndian_(bigEndian) {}
    Bytes& u16(quint32 v) {
        if (bigEndian_)
            bytes_.append(char(v >> 8)).append(char(v));
        else
            bytes_.append(char(v)).append(char(v >> 8));
        return *this;
    }
    Bytes& u32(quint32 v) {
        if (bigEndian_)
            u16(v >> 16).u16(v & 0xffff);
        else
            u16(v & 0xffff).u16(v >> 16);
        return *this;
    }
    Bytes& raw(const QByteArray& b) {
        bytes_.append(b);
        return *this;
    }
    const QByteArray& data() const { return bytes_; }

private:
    bool bigEndian_;
    QByteArray bytes_;
};

enum : quint16 { Short = 3, Long = 4, Rational = 5 };

struct Entry {
    quint16 tag;
    quint16 format;
    quint32 count;
    quint32 value; // a short sits in the first two bytes of the field
};

Entry orientationTag(quint32 value) {
    return {0x0112, Short, 1, value};
}

// A directory of `entries` with the link to the next one.
QByteArray directory(bool bigEndian, const QVector<Entry>& entries, quint32 next = 0) {
    Bytes b(bigEndian);
    b.u16(quint32(entries.size()));
    for (const Entry& e : entries) {
        b.u16(e.tag).u16(e.format).u32(e.count);
        if (e.format == Short && e.count == 1)
            b.u16(e.value).u16(0);
        else
            b.u32(e.value);
    }
    b.u32(next);
    return b.data();
}

// The TIFF block: byte order, 42, the first directory's offset, then `body`
// (normally the first directory, at offset 8).
QByteArray tiffBlock(bool bigEndian, const QByteArray& body, quint32 firstOffset = 8) {
    Bytes b(bigEndian);
    b.raw(bigEndian ? "MM" : "II").u16(42).u32(firstOffset).raw(body);
    return b.data();
}

// An APP1 section: marker (after `padding` extra 0xFF bytes), length, "Exif\0\0", block.
QByteArray exifSection(const QByteArray& block, int padding = 0) {
    QByteArray s(padding, char(0xFF));
    const int length = 2 + 6 + block.size();
    s.append(char(0xFF)).append(char(0xE1)).append(char(length >> 8)).append(char(length));
    s.append("Exif", 4).append(char(0)).append(char(0)).append(block);
    return s;
}

// A 48 x 32 picture of six 16 x 16 blocks of distinct colours, so that every
// turn and mirror gives a different picture even after JPEG compression.
QImage blockPicture() {
    static const QRgb colours[6] = {qRgb(230, 20, 20),  qRgb(20, 220, 20),  qRgb(20, 20, 230),
                                    qRgb(240, 240, 20), qRgb(20, 230, 230), qRgb(235, 235, 235)};
    QImage image(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            image.setPixel(x, y, colours[(y / 16) * 3 + x / 16]);
    return image;
}

QByteArray plainJpeg() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(blockPicture().save(&buffer, "JPEG", 100));
    return bytes;
}

// The JPEG with `sections` right after its start-of-image marker.
QByteArray jpegWith(const QByteArray& sections) {
    const QByteArray jpeg = plainJpeg();
    return jpeg.left(2) + sections + jpeg.mid(2);
}

QByteArray jpegWithOrientation(quint32 orientation, bool bigEndian = false) {
    return jpegWith(
        exifSection(tiffBlock(bigEndian, directory(bigEndian, {orientationTag(orientation)}))));
}

// ---------------------------------------------------------------------------
// The reader's table of cases
// ---------------------------------------------------------------------------

struct ReaderCase {
    const char* name;
    std::function<QByteArray()> file;
    int orientation;
    const char* message; // expected on standard error; null: nothing in particular
};

void PrintTo(const ReaderCase& c, std::ostream* out) {
    *out << c.name;
}

const ReaderCase readerCases[] = {
    {"NoExif", [] { return plainJpeg(); }, 0, nullptr},
    {"IntelOrder6", [] { return jpegWithOrientation(6, false); }, 6, nullptr},
    {"MotorolaOrder8", [] { return jpegWithOrientation(8, true); }, 8, nullptr},
    {"LongFormatInMotorolaOrder",
     [] {
         return jpegWith(exifSection(tiffBlock(true, directory(true, {{0x0112, Long, 1, 3}}))));
     },
     3, nullptr},
    {"RationalValueAtAnOffset",
     [] {
         // One entry at 8 (18 bytes with its link), the rational 15/3 at 26.
         Bytes value(false);
         value.u32(15).u32(3);
         return jpegWith(exifSection(
             tiffBlock(false, directory(false, {{0x0112, Rational, 1, 26}}) + value.data())));
     },
     5, nullptr},
    {"InTheExifSubdirectory",
     [] {
         // The first directory (8, 18 bytes) points to a sub-directory at 26.
         return jpegWith(exifSection(tiffBlock(false, directory(false, {{0x8769, Long, 1, 26}}) +
                                                          directory(false, {orientationTag(7)}))));
     },
     7, nullptr},
    {"ThreeOrientationTags",
     [] {
         return jpegWith(exifSection(tiffBlock(
             false, directory(false, {orientationTag(3), orientationTag(6), orientationTag(8)}))));
     },
     3, "More than two orientation tags!"},
    {"UndefinedValue", [] { return jpegWithOrientation(9); }, 0, "Undefined rotation value 9"},
    {"TruncatedSection",
     [] {
         // An Exif section that claims more bytes than the file holds.
         QByteArray file("\xFF\xD8\xFF\xE1\x40\x00Exif\0\0II*\0", 16);
         return file;
     },
     0, "Error : Premature end of file?"},
    {"SixFFBytesBeforeAMarker",
     [] {
         return jpegWith(exifSection(tiffBlock(false, directory(false, {orientationTag(6)})), 5));
     },
     6, nullptr},
    {"SevenFFBytesBeforeAMarker",
     [] {
         return jpegWith(exifSection(tiffBlock(false, directory(false, {orientationTag(6)})), 6));
     },
     0, "too many padding bytes"},
    {"SelfLinkedDirectory",
     [] {
         // The directory at 8 names itself as the next one: it is read once.
         return jpegWith(
             exifSection(tiffBlock(false, directory(false, {{0x010F, Short, 1, 1}}, 8))));
     },
     0, "Illegal subdirectory link"},
    {"OrientationEndsTheWalk",
     [] {
         // Found in the first directory: the self-link after it is not followed.
         return jpegWith(exifSection(tiffBlock(false, directory(false, {orientationTag(6)}, 8))));
     },
     6, nullptr},
    {"FirstDirectoryOutsideTheData",
     [] {
         return jpegWith(
             exifSection(tiffBlock(false, directory(false, {orientationTag(6)}), 0xFFFFFFF0u)));
     },
     0, "Illegally sized directory"},
    {"DirectoryLongerThanTheData",
     [] {
         // 200 entries announced, one present.
         QByteArray dir = directory(false, {orientationTag(6)});
         dir[0] = char(200);
         return jpegWith(exifSection(tiffBlock(false, dir)));
     },
     0, "Illegally sized directory"},
    {"ValuePointerOutsideTheData",
     [] {
         return jpegWith(
             exifSection(tiffBlock(false, directory(false, {{0x0112, Rational, 1, 0x7FFFFFF0u}}))));
     },
     0, "Illegal value pointer for tag 0112"},
    {"SubdirectoryLinkOutsideTheData",
     [] {
         return jpegWith(exifSection(
             tiffBlock(false, directory(false, {{0xA005, Long, 1, 5000}, orientationTag(2)}))));
     },
     2, "Illegal exif or interop ofset directory link"},
    {"BadByteOrder",
     [] {
         QByteArray block = tiffBlock(false, directory(false, {orientationTag(6)}));
         block[0] = 'X';
         return jpegWith(exifSection(block));
     },
     0, "Invalid Exif alignment marker."},
    {"EndOfImageBeforeTheScan", [] { return QByteArray("\xFF\xD8\xFF\xD9\x00\x02", 6); }, 0,
     "No image in jpeg!"},
    {"NotAJpeg", [] { return QByteArray("\x89PNG\r\n\x1a\n", 8); }, 0, "Not JPEG: "},
};

class JpegReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(JpegReaderTest, FindsTheOrientationOrSaysWhyNot) {
    const ReaderCase c = GetParam();
    fixtures::Folder folder;
    const QString path = folder.path(QStringLiteral("case.jpg"));
    fixtures::writeFile(path, c.file());

    ::testing::internal::CaptureStderr();
    const int orientation = jpegOrientation(path);
    const std::string messages = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(orientation, c.orientation);
    if (c.message) {
        EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
    }
    EXPECT_EQ(jpegOrientationMatrix(path).isIdentity(), c.orientation <= 1);
}

INSTANTIATE_TEST_SUITE_P(Files, JpegReaderTest, ::testing::ValuesIn(readerCases),
                         [](const ::testing::TestParamInfo<ReaderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(JpegReader, EachFileIsReadOnItsOwn) {
    fixtures::Folder folder;
    fixtures::writeFile(folder.path("turned.jpg"), jpegWithOrientation(6));
    fixtures::writeFile(folder.path("plain.jpg"), plainJpeg());
    EXPECT_EQ(jpegOrientation(folder.path("turned.jpg")), 6);
    EXPECT_EQ(jpegOrientation(folder.path("plain.jpg")), 0);
}

TEST(JpegReader, AMissingFileIsReportedAndGivesNoOrientation) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(jpegOrientation(QStringLiteral("/nonexistent/photo.jpg")), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("can't open '/nonexistent/photo.jpg'"),
              std::string::npos);
}

// ---------------------------------------------------------------------------
// What each orientation means
// ---------------------------------------------------------------------------

// The stored pixel that Exif says shows at (x, y) of the upright picture of
// a stored picture of width w and height h.
QPoint storedPixelShownAt(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
    case 2:
        return {w - 1 - x, y}; // mirrored left to right
    case 3:
        return {w - 1 - x, h - 1 - y}; // upside down
    case 4:
        return {x, h - 1 - y}; // mirrored top to bottom
    case 5:
        return {y, x}; // transposed
    case 6:
        return {y, h - 1 - x}; // a quarter clockwise
    case 7:
        return {w - 1 - y, h - 1 - x}; // transversed
    case 8:
        return {w - 1 - y, x}; // a quarter anticlockwise
    default:
        return {x, y};
    }
}

QSize uprightSize(int orientation, QSize stored) {
    return orientation >= 5 ? stored.transposed() : stored;
}

class OrientationMeaningTest : public ::testing::TestWithParam<int> {};

TEST_P(OrientationMeaningTest, TheMatrixTurnsPixelForPixelAsExifMeans) {
    const int orientation = GetParam();
    QImage stored(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            stored.setPixel(x, y, qRgb(40 * x, 60 * y, 7));

    const QImage upright =
        stored.transformed(QTransform(orientationMatrix(orientation)), Qt::FastTransformation);

    ASSERT_EQ(upright.size(), uprightSize(orientation, stored.size()));
    for (int y = 0; y < upright.height(); ++y)
        for (int x = 0; x < upright.width(); ++x)
            EXPECT_EQ(QColor(upright.pixel(x, y)),
                      QColor(stored.pixel(storedPixelShownAt(orientation, x, y, 5, 3))))
                << "at " << x << ", " << y;
}

// The loader turns without painting (and grey pictures the general way): the
// same pixels as the matrix gives.
TEST_P(OrientationMeaningTest, ApplyingItTurnsAsExifMeans) {
    const int orientation = GetParam();
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Grayscale8}) {
        QImage stored(5, 3, format);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                stored.setPixelColor(x, y, QColor(50 * x, 50 * x, 50 * x, 255 - 40 * y));
        QImage upright = stored;

        applyOrientation(upright, orientation);

        ASSERT_EQ(upright.size(), uprightSize(orientation, stored.size())) << "format " << format;
        for (int y = 0; y < upright.height(); ++y)
            for (int x = 0; x < upright.width(); ++x)
                EXPECT_EQ(upright.pixelColor(x, y),
                          stored.pixelColor(storedPixelShownAt(orientation, x, y, 5, 3)))
                    << "format " << format << " at " << x << ", " << y;
    }
}

// A camera JPEG loads upright: every block of the loaded picture has the colour
// Exif puts there (within JPEG's error).
TEST_P(OrientationMeaningTest, ACameraJpegLoadsUpright) {
    const int orientation = GetParam();
    fixtures::Folder folder;
    const QString path = folder.path(QStringLiteral("camera.jpg"));
    fixtures::writeFile(path, jpegWithOrientation(quint32(orientation), orientation % 2 == 0));
    const QImage stored = blockPicture();

    ::testing::internal::CaptureStderr();
    ZtSourceImage image(path);
    ::testing::internal::GetCapturedStderr();

    ASSERT_TRUE(image.isValid());
    const QImage& shown = image.displayImage();
    ASSERT_EQ(shown.size(), uprightSize(orientation, stored.size()));
    EXPECT_EQ(shown.format(), QImage::Format_ARGB32);
    for (int y = 8; y < shown.height(); y += 16)
        for (int x = 8; x < shown.width(); x += 16) {
            const QColor want = stored.pixelColor(storedPixelShownAt(orientation, x, y, 48, 32));
            const QColor got = shown.pixelColor(x, y);
            EXPECT_NEAR(got.red(), want.red(), 12) << "block at " << x << ", " << y;
            EXPECT_NEAR(got.green(), want.green(), 12) << "block at " << x << ", " << y;
            EXPECT_NEAR(got.blue(), want.blue(), 12) << "block at " << x << ", " << y;
        }
}

INSTANTIATE_TEST_SUITE_P(EveryOrientation, OrientationMeaningTest, ::testing::Range(1, 9));

} // namespace
