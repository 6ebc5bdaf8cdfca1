// The fast project writer lays out every byte as the data stream does, and
// the photographs it encodes itself read back with the data stream's own
// reader, pixel for pixel, with every value after them intact.
#include "files/project_stream.h"

#include "shell/services/shell_functions.h"

#include <QBitmap>
#include <QColor>
#include <QDataStream>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

QByteArray written(const QVariant& value, bool fast) {
    registerPainterPathType();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_5);
    if (fast)
        project_stream::write(stream, value);
    else
        stream << value;
    EXPECT_EQ(stream.status(), QDataStream::Ok);
    return bytes;
}

QVariant readBack(const QByteArray& bytes) {
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_5);
    QVariant value;
    stream >> value;
    EXPECT_EQ(stream.status(), QDataStream::Ok);
    EXPECT_TRUE(stream.atEnd()) << "bytes left after the value";
    return value;
}

// A photograph's worth of colour and transparency.
QImage photo(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgba((x * 7 + seed) & 255, (y * 3 + x) & 255, (x ^ y) & 255,
                           (x + y) % 5 == 0 ? 128 : 255);
    }
    return image;
}

QImage statuses() {
    QImage image(40, 30, QImage::Format_Indexed8);
    image.setColorCount(256);
    image.fill(2);
    image.setPixel(3, 4, 0x12);
    return image;
}

// Every kind of value a project map holds, nested as the model nests them.
QVariantMap smallContent() {
    QPainterPath path(QPointF(1, 2));
    path.cubicTo(3, 4, 5, 6, 7.5, 8);
    QImage small = photo(20, 10, 3);
    return {
        {QStringLiteral("resolution_"), 2},
        {QStringLiteral("segImg_"),
         QVariantMap{{QStringLiteral("valid_"), true},
                     {QStringLiteral("filename_"), QStringLiteral("cät.png")},
                     {QStringLiteral("imageImage_"), small}}},
        {QStringLiteral("blendImg_"), QVariant()},
        {QStringLiteral("statusArray_"), statuses()},
        {QStringLiteral("ratio"), QVariant::fromValue(0.35f)},
        {QStringLiteral("emptyMap"), QVariantMap()},
        {QStringLiteral("emptyList"), QVariantList()},
        {QStringLiteral("arrowTargetList"),
         QVariantList{
             QVariantMap{{QStringLiteral("type"), 3},
                         {QStringLiteral("qpoly_"), QVariant::fromValue(QPolygonF(QVector<QPointF>{
                                                        QPointF(1, 1), QPointF(4.5, 2)}))}},
             QVariantMap{{QStringLiteral("path_"), QVariant::fromValue(path)},
                         {QStringLiteral("Bitmap"), QBitmap()},
                         {QStringLiteral("rect_"), QRectF(1, 2, 3, 4)},
                         {QStringLiteral("color_"), QColor(Qt::green)}},
             QVariantList{1, QStringLiteral("two"), QVariantList{3}}}},
    };
}

TEST(ProjectStream, WritesTheDataStreamsBytesForEverySmallValue) {
    const QVariantMap content = smallContent();
    const struct {
        const char* what;
        QVariant value;
    } cases[] = {
        {"content", content},         {"list", content.value(QStringLiteral("arrowTargetList"))},
        {"empty map", QVariantMap()}, {"null map", QVariant(QVariant::Map)},
        {"invalid", QVariant()},      {"status image", statuses()},
        {"null image", QImage()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(written(c.value, true), written(c.value, false));
    }
}

TEST(ProjectStream, PhotographsItEncodesItselfReadBackExactly) {
    // Two photographs, as a document's source and working image, with values
    // before and after them in the stream.
    const QImage source = photo(700, 500, 0);
    const QImage working = photo(700, 500, 90);
    QVariantMap content = smallContent();
    content.insert(QStringLiteral("segImg_"), QVariantMap{{QStringLiteral("valid_"), true},
                                                          {QStringLiteral("imageImage_"), source}});
    content.insert(QStringLiteral("blendImg_"),
                   QVariantMap{{QStringLiteral("valid_"), true},
                               {QStringLiteral("imageImage_"), working},
                               {QStringLiteral("zzz"), QStringLiteral("after")}});
    const QByteArray fast = written(content, true);
    EXPECT_NE(fast, written(content, false)) << "the photographs were left to Qt's writer";

    const QVariantMap back = readBack(fast).toMap();
    EXPECT_EQ(back.keys(), content.keys());
    EXPECT_EQ(back.value("segImg_").toMap().value("imageImage_").value<QImage>(), source);
    const QVariantMap workingMap = back.value("blendImg_").toMap();
    EXPECT_EQ(workingMap.value("imageImage_").value<QImage>(), working);
    EXPECT_EQ(workingMap.value("zzz").toString(), QStringLiteral("after"));
    EXPECT_EQ(back.value("statusArray_").value<QImage>(), statuses());
    // Everything else as the data stream writes it.
    QVariantMap rest = back;
    QVariantMap expected = content;
    for (const char* key : {"segImg_", "blendImg_"}) {
        rest.remove(QLatin1String(key));
        expected.remove(QLatin1String(key));
    }
    EXPECT_EQ(written(rest, false), written(expected, false));
}

} // namespace
