// One small reproducer for each way a damaged or hostile file used to crash,
// freeze, fill memory or open as a valid document; each is refused cleanly
// now, with one message (or, for a colour, read with its default).
#include "files/image_limits.h"
#include "files/jpeg_orientation.h"
#include "files/png_io.h"
#include "files/project_file.h"
#include "files/receiving/accept_image_drop.h"
#include "files/tiff_io.h"
#include "files/zt_source_image.h"
#include "image_fixtures.h"
#include "input_builders.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/segmentation_stuff.h"
#include "model/zt_polygon.h"
#include "model/zt_rectangle.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QBuffer>
#include <QDataStream>
#include <QDropEvent>
#include <QBitmap>
#include <QMimeData>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

using builders::TiffEntry;
using test_support::prompts;

const QString kProject = QStringLiteral("/projects/damaged.oztp");

QString damagedProjectText() {
    return QStringLiteral("Cannot load oztp file\n\n") + kProject +
           QStringLiteral("\n\nbecause it is damaged");
}

// Loads `bytes` as a project: answers whether it was taken, and checks that
// a refusal said so once.
bool loadProject(const QByteArray& bytes) {
    prompts().reset();
    prompts().answer(PromptService::Ok);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const bool loaded = project_file::load(buffer, kProject, {}).isValid();
    if (!loaded) {
        EXPECT_EQ(prompts().asked().size(), 1);
        if (!prompts().asked().isEmpty()) {
            EXPECT_EQ(prompts().asked()[0].text, damagedProjectText());
        }
    } else {
        EXPECT_TRUE(prompts().asked().isEmpty());
    }
    return loaded;
}

// Opens `bytes` as the file `name` the way File Open does; answers whether
// it opened, and checks that a refusal is the one "could not open" warning.
bool openFile(const QByteArray& bytes, const QString& name) {
    fixtures::Folder folder;
    const QString path = folder.path(name);
    fixtures::writeFile(path, bytes);
    prompts().reset();
    prompts().answer(PromptService::Ok);
    ::testing::internal::CaptureStderr();
    const ZtSourceImage image(path);
    ::testing::internal::GetCapturedStderr();
    if (!image.isValid()) {
        EXPECT_EQ(prompts().asked().size(), 1);
        if (!prompts().asked().isEmpty()) {
            EXPECT_TRUE(
                prompts().asked()[0].text.startsWith("Sorry - could not open file " + path));
        }
    }
    return image.isValid();
}

// A stream value written by hand: its kind (Qt 4 numbering), the null flag, then `body`.
QByteArray value(quint32 type, const QByteArray& body) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << type << qint8(0);
    return bytes + body;
}
QByteArray userValue(const char* name, const QByteArray& body) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint32(127) << qint8(0);
    stream.writeBytes(name, uint(qstrlen(name) + 1));
    return bytes + body;
}
QByteArray big32(quint32 v) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << v;
    return bytes;
}
QByteArray bigDouble(double v) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << v;
    return bytes;
}

// A whole project of a 4 x 3 picture, stored at 8 bits, with one target of
// each kind: every value as the program writes it.
class DamagedInput : public ::testing::Test {
protected:
    DamagedInput() {
        store_.allocate(4, 3);
        std::fill(store_.data(), store_.data() + store_.sampleCount(), uchar(200));
    }

    QVariantMap content() const {
        const ZtSourceImage image(store_.view(), QStringLiteral("cat.png"));
        QImage statuses(4, 3, QImage::Format_Indexed8);
        statuses.setColorCount(256);
        statuses.fill(1);
        const QVariantMap region{{"smeg_", SegmentationStuff(nullptr).toVariant()},
                                 {"blendage_", BlendingStuff().toVariant()},
                                 {"isProtected_", false}};
        QPainterPath path(QPointF(1, 1));
        path.lineTo(3, 2);
        const QVariantList targets{
            QVariantMap{{"type", 0},
                        {"GmRegion", region},
                        {"rectangle_", zt::Rectangle(QPointF(1, 1), 1).toVariant()}},
            QVariantMap{
                {"type", 1},
                {"GmRegion", region},
                {"poly_",
                 zt::Polygon(QPolygonF(QVector<QPointF>{{0, 0}, {3, 0}, {2, 2}}), 1).toVariant()}},
            QVariantMap{{"type", 2},
                        {"GmRegion", region},
                        {"brushing_", QVariantMap{{"Bitmap", QBitmap()},
                                                  {"path_", QVariant::fromValue(path)},
                                                  {"boundingReducedRect_", QRectF(0, 0, 4, 3)},
                                                  {"color_", QColor(Qt::green)}}}},
            QVariantMap{
                {"type", 3},
                {"poly_", zt::Polygon(QPolygonF(QVector<QPointF>{{0, 2}, {3, 2}}), 0).toVariant()},
                {"width_", 3}}};
        return {{"resolution_", 1},
                {"segImg_", image.toVariant()},
                {"blendImg_", image.toVariant()},
                {"statusArray_", statuses},
                {"imageSmeg_", SegmentationStuff(nullptr).toVariant()},
                {"imageBlendage_", BlendingStuff().toVariant()},
                {"arrowTargetList", targets}};
    }

    PixelStore8 store_;
};

// `map` with `value` at the end of `path` (keys and list indices).
QVariant with(const QVariant& map, QStringList path, const QVariant& value) {
    const QString step = path.takeFirst();
    if (map.userType() == QMetaType::QVariantList) {
        QVariantList list = map.toList();
        list[step.toInt()] = path.isEmpty() ? value : with(list[step.toInt()], path, value);
        return list;
    }
    QVariantMap m = map.toMap();
    m.insert(step, path.isEmpty() ? value : with(m.value(step), path, value));
    return m;
}
QVariant with(const QVariant& map, const char* path, const QVariant& value) {
    return with(map, QString::fromLatin1(path).split(QLatin1Char('.')), value);
}

TEST_F(DamagedInput, TheUntouchedProjectLoads) {
    EXPECT_TRUE(loadProject(builders::projectFrame(content())));
}

// 1. Counts of lists, vectors and strings far beyond the file: Qt's stream
// asked for gigabytes and threw out of the loader.
TEST_F(DamagedInput, CountsBeyondTheFileAndUnknownKindsAreRefused) {
    const QByteArray cases[] = {
        value(9, big32(0x7fffffff)),             // a list
        value(8, big32(1) + big32(0xfffffff0u)), // a map's key
        value(12, big32(0x7ffffff0)),            // a byte array
        value(8, big32(2) + big32(2) + QByteArray(2, 'k') +
                     value(1, QByteArray(1, 1))), // a map cut short
        // Kinds beyond every kind Qt numbers: turning them into Qt 5's
        // numbers overflowed.
        value(0x80000000u, QByteArray(4, 0)),
        value(0xffffffffu, QByteArray(4, 0)),
    };
    for (const QByteArray& body : cases)
        EXPECT_FALSE(loadProject(builders::projectHead() + body)) << body.toHex().toStdString();
}

// 2. A painter path or a polygon whose count is looped over: 36 bytes froze
// the program and grew it to tens of gigabytes.
TEST_F(DamagedInput, PathsAndPolygonsLongerThanTheFileAreRefused) {
    const QByteArray element = big32(1) + bigDouble(1) + bigDouble(2);
    const QByteArray cases[] = {
        userValue("QPainterPath", big32(0x7fffffff) + element),
        userValue("QPolygonF", big32(0x7fffffff) + bigDouble(1) + bigDouble(2)),
        // A curve without its control points, and a point that is no number.
        userValue("QPainterPath", big32(2) + big32(0) + bigDouble(0) + bigDouble(0) + big32(2) +
                                      bigDouble(1) + bigDouble(1) + big32(0) + big32(0)),
        userValue("QPainterPath", big32(1) + big32(0) + bigDouble(std::nan("")) + bigDouble(0) +
                                      big32(0) + big32(0)),
    };
    for (const QByteArray& body : cases)
        EXPECT_FALSE(loadProject(builders::projectHead() + body)) << body.toHex().toStdString();
}

// 3. A stored picture whose header claims a million by a million pixels:
// four terabytes were asked for and the exception ended the program.
TEST_F(DamagedInput, AStoredPictureBeyondTheLimitIsRefused) {
    const QByteArray huge =
        builders::pngFile(builders::pngHeader(1000000, 1000000, 16, 6) + builders::pngData("x"));
    PixelStore16 pixels;
    EXPECT_EQ(png_io::decodeRgba16(huge, pixels).status, ImageReadResult::Failed);
    EXPECT_TRUE(pixels.isEmpty());

    QVariantMap image = content().value("segImg_").toMap();
    image.insert("imageMaster_", int(ZtSourceImage::Master16));
    image.insert("format_", int(ZtSourceImage::Format16));
    image.insert("imageImage_", huge);
    EXPECT_FALSE(loadProject(builders::projectFrame(with(content(), "segImg_", image))));
    // The same picture as an image inside the stream.
    QByteArray key;
    {
        QDataStream stream(&key, QIODevice::WriteOnly);
        stream << QStringLiteral("statusArray_");
    }
    EXPECT_FALSE(loadProject(builders::projectHead() +
                             value(8, big32(1) + key + value(70, big32(1) + huge))));
}

// 4. Values no run of the program writes, accepted before: marks silently
// lost, a cut-out that did nothing, undefined conversions, signed overflow.
TEST_F(DamagedInput, ValuesOutOfTheirRangesAreRefused) {
    const QVariantMap good = content();
    QImage larger(5, 3, QImage::Format_Indexed8);
    larger.fill(1);
    QImage unknownClass = good.value("statusArray_").value<QImage>();
    unknownClass.setPixel(1, 1, 3);
    const PixelStore8 other = fixtures::store8(5, 3, [](int, int) { return fixtures::Bgra8{}; });
    const ZtSourceImage otherSize(other.view(), QStringLiteral("other.png"));
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        QVariant content;
    };
    const Case cases[] = {
        {"statuses of another size", with(good, "statusArray_", larger)},
        {"a status of no class", with(good, "statusArray_", unknownClass)},
        {"images of two sizes", with(good, "blendImg_", otherSize.toVariant())},
        {"a storage never written", with(good, "segImg_.format_", 2)},
        {"a scale never written", with(good, "blendImg_.format_", 7)},
        {"a rectangle at NaN",
         with(good, "arrowTargetList.0.rectangle_.rect_", QRectF(nan, 0, 1, 1))},
        {"a corner at infinity",
         with(good, "arrowTargetList.0.rectangle_.corner1_", QPointF(inf, 0))},
        {"a polygon beyond 2^31",
         with(good, "arrowTargetList.1.poly_.qpoly_",
              QVariant::fromValue(QPolygonF(QVector<QPointF>{{0, 0}, {4294967296.0, 0}})))},
        {"a polygon without a point",
         with(good, "arrowTargetList.3.poly_.qpoly_", QVariant::fromValue(QPolygonF()))},
        {"a stroke's bounds beyond 2^31",
         with(good, "arrowTargetList.2.brushing_.boundingReducedRect_", QRectF(0, 0, 3e9, 1))},
        {"a sensitivity that overflows",
         with(good, "imageSmeg_.edos_.sensitivity_",
              QVariantList{std::numeric_limits<int>::min(), 50, 50, 50})},
        {"an edge width of a patch out of range",
         with(good, "arrowTargetList.1.GmRegion.smeg_.edos_.width_", QVariantList{3, 99, 3, 3})},
        {"a blend ratio that is no number", with(good, "imageBlendage_.bos_.blendRatioF_", nan)},
        {"a forced edge's width out of range", with(good, "arrowTargetList.3.width_", -5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(loadProject(builders::projectFrame(c.content)));
    }

    // A colour of a kind Qt does not know is read as its default.
    QByteArray bytes = builders::projectFrame(
        with(good, "imageBlendage_.bos_.fgOverride_.qColor_", QColor(1, 2, 3)));
    const QByteArray rgb = QByteArray::fromHex("0001ffff0101020203030000");
    ASSERT_EQ(bytes.count(rgb), 1);
    bytes[bytes.indexOf(rgb) + 1] = char(9);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QVariant loaded = project_file::load(buffer, kProject, {});
    ASSERT_TRUE(loaded.isValid());
    const BlendingOptions options =
        BlendingOptions::fromVariant(loaded.toMap().value("imageBlendage_").toMap().value("bos_"));
    EXPECT_EQ(options.fgOverride().color(), QColor(Qt::white));
}

// A JPEG made by Qt's writer, with `sections` after its start.
QByteArray jpegWith(const QByteArray& sections) {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(qRgb(30, 140, 200));
    const QByteArray jpeg = builders::encoded(picture, "JPEG", 90);
    return jpeg.left(2) + sections + jpeg.mid(2);
}

// 5. An Exif directory that links to itself from every entry was walked
// N^5 times: 20 entries took seconds and printed millions of lines.
TEST_F(DamagedInput, SelfLinkedExifDirectoriesAreReadOnce) {
    for (int entries : {20, 5400}) {
        SCOPED_TRACE(entries);
        QByteArray directory;
        auto u16 = [&directory](quint32 v) { directory.append(char(v)).append(char(v >> 8)); };
        u16(quint32(entries));
        for (int i = 0; i < entries; ++i) {
            u16(0x8769), u16(4), u16(1), u16(0); // the Exif sub-directory: a long, one of it
            u16(8), u16(0);                      // at offset 8: this directory
        }
        u16(8), u16(0); // and the next directory is this one too
        const QByteArray block = QByteArray("II*\0\x08\0\0\0", 8) + directory;
        const int length = 2 + 6 + block.size();
        ASSERT_LE(length, 0xffff);
        QByteArray section("\xFF\xE1", 2);
        section.append(char(length >> 8)).append(char(length)).append("Exif\0\0", 6).append(block);
        fixtures::Folder folder;
        const QString path = folder.path("linked.jpg");
        fixtures::writeFile(path, jpegWith(section));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(jpegOrientation(path), 0);
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_LE(std::count(printed.begin(), printed.end(), '\n'), 3) << printed;
    }
}

// A JPEG whose frame header says `width` x `height`, cut after its first
// scan's header (and given its end marker when `ended`).
QByteArray jpegClaiming(int width, int height, bool ended) {
    QByteArray jpeg = jpegWith(QByteArray());
    const int frame = jpeg.indexOf("\xFF\xC0");
    const int scan = jpeg.indexOf("\xFF\xDA");
    if (frame < 0 || scan < 0) return QByteArray();
    jpeg[frame + 5] = char(height >> 8), jpeg[frame + 6] = char(height);
    jpeg[frame + 7] = char(width >> 8), jpeg[frame + 8] = char(width);
    const int scanHeader = (uchar(jpeg[scan + 2]) << 8 | uchar(jpeg[scan + 3])) + 2;
    QByteArray cut = jpeg.left(scan + scanHeader) + QByteArray(40, char(0x55));
    return ended ? cut + QByteArray("\xFF\xD9", 2) : cut;
}

// 6. A frame header of 30000 x 30000 with no data behind it: 3.4 GB were
// allocated and filled with grey, and the file opened as a document.
TEST_F(DamagedInput, JpegDataThatEndBeforeThePictureAreRefused) {
    EXPECT_TRUE(openFile(jpegWith(QByteArray()), "whole.jpg"));
    EXPECT_FALSE(openFile(jpegClaiming(30000, 30000, false), "cut.jpg"));
    EXPECT_FALSE(openFile(jpegClaiming(30000, 30000, true), "ended.jpg"));
    EXPECT_FALSE(openFile(jpegClaiming(16, 16, false), "small.jpg"));
}

// 7. A 16-bit RGB TIFF without its samples-per-pixel: the 16-bit reader
// refused it, and Qt's read it without writing every pixel.
TEST_F(DamagedInput, ASixteenBitTiffItsReaderRefusedIsNotGuessedAt) {
    const QVector<TiffEntry> entries{
        {256, 4, 1, 4},  {257, 4, 1, 2}, {258, 3, 1, 16},
        {259, 3, 1, 1},  {262, 3, 1, 2}, {273, 4, 1, builders::tailOffset(7)},
        {279, 4, 1, 16},
    };
    const QByteArray file = builders::tiffFile(entries, QByteArray(16, char(0x40)));
    fixtures::Folder folder;
    const QString path = folder.path("no_samples.tif");
    fixtures::writeFile(path, file);
    PixelStore16 pixels;
    EXPECT_EQ(tiff_io::readRgb16(path, pixels).status, ImageReadResult::Failed);
    EXPECT_FALSE(openFile(file, "no_samples.tif"));
}

// 8. Sizes allocated before anything was read: gigabytes for a few hundred bytes.
TEST_F(DamagedInput, SizesBeyondTheLimitOrTheDataAreRefusedBeforeAllocating) {
    const QByteArray row = QByteArray(1, 0) + QByteArray(8, char(0x7f)); // filter, 2 pixels
    const QByteArray smallPng =
        builders::pngFile(builders::pngHeader(2, 2, 8, 6) + builders::pngData(row + row));
    ASSERT_TRUE(openFile(smallPng, "small.png"));
    QByteArray text = builders::pngChunk("tEXt", "Comment\0hello");
    text[0] = char(0x7f), text[1] = char(0xff), text[2] = char(0xff), text[3] = char(0xf0);
    const int header = 8 + 25;
    const QByteArray withText = smallPng.left(header) + text + smallPng.mid(header);
    const QByteArray tiled = builders::tiffFile({{256, 4, 1, 4},
                                                 {257, 4, 1, 4},
                                                 {258, 3, 1, 16},
                                                 {259, 3, 1, 1},
                                                 {262, 3, 1, 2},
                                                 {277, 3, 1, 3},
                                                 {322, 4, 1, 0x10000},
                                                 {323, 4, 1, 0x10000},
                                                 {324, 4, 1, 134},
                                                 {325, 4, 1, 96}},
                                                QByteArray(120, char(1)));
    QByteArray bmp("BM", 2);
    auto le32 = [&bmp](quint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp.append(char(v >> (8 * i)));
    };
    le32(56), le32(0), le32(54), le32(40), le32(16384), le32(16384);
    bmp.append("\x01\0\x20\0", 4);
    le32(0), le32(0), le32(0), le32(0), le32(0), le32(0);
    bmp.append("\0\0", 2);

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"huge_header.png",
         builders::pngFile(builders::pngHeader(100000, 100000, 16, 6) + builders::pngData("x"))},
        {"text_claims_2GiB.png", withText},
        {"huge.tif", builders::tiffFile({{256, 4, 1, 1 << 20},
                                         {257, 4, 1, 1 << 20},
                                         {258, 3, 1, 16},
                                         {262, 3, 1, 2},
                                         {277, 3, 1, 3},
                                         {273, 4, 1, 200},
                                         {279, 4, 1, 6}},
                                        QByteArray(6, 0))},
        {"huge_tiles.tif", tiled},
        {"56_bytes.bmp", bmp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(openFile(c.bytes, QString::fromLatin1(c.name)));
    }

    // Dropped image data announcing a picture beyond the limit.
    prompts().reset();
    prompts().answer(PromptService::Ok);
    QMimeData data;
    data.setData(QStringLiteral("image/png"), cases[0].bytes);
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    acceptImageDrop(&drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].text, QStringLiteral("Image could not be opened"));
}

// The limit itself: photographs of 24 and 50 megapixels are within it.
TEST(PixelLimit, TakesTheLargestPhotographsAndNoMore) {
    EXPECT_TRUE(image_limits::fitsPixelLimit(6000, 4000));
    EXPECT_TRUE(image_limits::fitsPixelLimit(8688, 5792));
    EXPECT_TRUE(image_limits::fitsPixelLimit(14204, 10652)); // 151 megapixels
    EXPECT_FALSE(image_limits::fitsPixelLimit(20000, 12501));
    EXPECT_FALSE(image_limits::fitsPixelLimit(0, 10));
    EXPECT_FALSE(image_limits::fitsPixelLimit(std::numeric_limits<qint64>::max(), 2));
    const image_limits::ScopedPixelLimit lowered(100);
    EXPECT_TRUE(image_limits::fitsPixelLimit(10, 10));
    EXPECT_FALSE(image_limits::fitsPixelLimit(10, 11));
}

} // namespace
