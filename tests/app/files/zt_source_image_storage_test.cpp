// The image written out: PNG and TIFF at 8 and 16 bits, and the map that
// stores it in a project.
#include "files/zt_source_image.h"

#include "files/png_io.h"
#include "image_fixtures.h"
#include "support/test_environment.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

#include <tiffio.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using fixtures::Bgra16;
using fixtures::Bgra8;
using fixtures::pixelAt;

constexpr int kWidth = 6, kHeight = 4;

PixelStore16 samples16() {
    return fixtures::store16(kWidth, kHeight,
                             [](int x, int y) { return fixtures::samplePixel(x, y, true); });
}

PixelStore8 samples8() {
    return fixtures::store8(kWidth, kHeight, [](int x, int y) {
        return Bgra8{uchar(40 * x), uchar(60 * y), uchar(7 + x + y), uchar(255 - 30 * x)};
    });
}

// The pixels of an 8-bit PNG or TIFF as blue, green, red, alpha, read by
// other readers than ours.
std::vector<Bgra8> pngPixels8(const QString& path) {
    std::vector<Bgra8> pixels;
    const QImage image(path);
    if (image.format() != QImage::Format_ARGB32) {
        ADD_FAILURE() << "read as format " << image.format();
        return pixels;
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            pixels.push_back({uchar(qBlue(p)), uchar(qGreen(p)), uchar(qRed(p)), uchar(qAlpha(p))});
        }
    return pixels;
}

std::vector<Bgra8> tiffPixels8(const QString& path) {
    std::vector<Bgra8> pixels;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff) {
        ADD_FAILURE() << "cannot open";
        return pixels;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(samples, 4);
    std::vector<uchar> line(std::size_t(TIFFScanlineSize(tiff)));
    for (uint32_t y = 0; y < height && samples == 4; ++y) {
        EXPECT_EQ(TIFFReadScanline(tiff, line.data(), y, 0), 1);
        for (uint32_t x = 0; x < width; ++x) {
            const uchar* p = line.data() + 4 * x;
            pixels.push_back({p[2], p[1], p[0], p[3]});
        }
    }
    TIFFClose(tiff);
    return pixels;
}

// ---------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------

struct SaveCase {
    const char* name;
    int fileType;
    const char* suffix;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

const SaveCase saveCases[] = {
    {"Png", ZtSourceImage::PngFile, "png"},
    {"Tiff", ZtSourceImage::TiffFile, "tif"},
};

class SaveTest : public ::testing::TestWithParam<SaveCase> {};

// A 16-bit file saves back with identical samples and loads again at 16 bits.
TEST_P(SaveTest, SixteenBitsComeBackUnchanged) {
    const SaveCase c = GetParam();
    fixtures::Folder folder;
    const PixelStore16 want = samples16();
    ASSERT_TRUE(fixtures::qtImage16(want.view(), true).save(folder.path("in.png")));
    ZtSourceImage image(folder.path("in.png"));
    ASSERT_EQ(image.format(), ZtSourceImage::Format16);

    image.setFilename(folder.path(QStringLiteral("out.") + c.suffix));
    image.setFileType(c.fileType);
    ASSERT_TRUE(image.save());

    ZtSourceImage again(image.filename());
    ASSERT_TRUE(again.isValid());
    EXPECT_EQ(again.format(), ZtSourceImage::Format16);
    EXPECT_EQ(again.fileType(), c.fileType);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(pixelAt(again.view16(), x, y), pixelAt(want.view(), x, y))
                << "at " << x << ", " << y;
}

// The file holds exactly the samples (red, green, blue, alpha), and loads
// again at 8 bits. (Qt's TIFF reader premultiplies alpha, so the TIFF's
// samples are checked in the file itself.)
TEST_P(SaveTest, EightBitsAreWrittenExactly) {
    const SaveCase c = GetParam();
    fixtures::Folder folder;
    PixelStore8 host = samples8();
    ZtSourceImage image(host.view(), folder.path(QStringLiteral("out.") + c.suffix));
    image.setFileType(c.fileType);
    ASSERT_TRUE(image.save());

    const std::vector<Bgra8> written = c.fileType == ZtSourceImage::TiffFile
                                           ? tiffPixels8(image.filename())
                                           : pngPixels8(image.filename());
    ASSERT_EQ(written.size(), std::size_t(kWidth * kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(written[std::size_t(y * kWidth + x)], pixelAt(host.view(), x, y))
                << "at " << x << ", " << y;

    ZtSourceImage again(image.filename());
    ASSERT_TRUE(again.isValid());
    EXPECT_EQ(again.format(), ZtSourceImage::Format8);
    EXPECT_EQ(again.fileType(), c.fileType);
    if (c.fileType == ZtSourceImage::PngFile) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(pixelAt(again.view8(), x, y), pixelAt(host.view(), x, y));
    }
}

// The host's full scale 32768 is saved as 65535; samples above it as 65535 too.
TEST_P(SaveTest, HostSamplesAreSavedAtFullScale65535) {
    const SaveCase c = GetParam();
    fixtures::Folder folder;
    PixelStore16 host = fixtures::store16(3, 1, [](int x, int) {
        const quint16 v[3] = {32768, 16384, 50000};
        return Bgra16{v[x], 0, 1, 32768};
    });
    ZtSourceImage image(host.view(), folder.path(QStringLiteral("host.") + c.suffix));
    image.setFileType(c.fileType);
    ASSERT_TRUE(image.save());
    EXPECT_EQ(image.format(), ZtSourceImage::FormatHost16);
    EXPECT_EQ(host.data()[0], 32768); // the host's own pixels stay as they are

    ZtSourceImage again(image.filename());
    ASSERT_EQ(again.format(), ZtSourceImage::Format16);
    EXPECT_EQ(pixelAt(again.view16(), 0, 0), (Bgra16{65535, 0, 1, 65535}));
    EXPECT_EQ(pixelAt(again.view16(), 1, 0), (Bgra16{32767, 0, 1, 65535}));
    EXPECT_EQ(pixelAt(again.view16(), 2, 0), (Bgra16{65535, 0, 1, 65535}));
}

TEST_P(SaveTest, AFileThatCannotBeCreatedIsNotWritten) {
    const SaveCase c = GetParam();
    PixelStore8 host = samples8();
    ZtSourceImage image(host.view(), QStringLiteral("/nonexistent/folder/out.") + c.suffix);
    image.setFileType(c.fileType);
    EXPECT_FALSE(image.save());
}

// An export that fails half-way (the disk is full) leaves the last good
// cut-out of that name as it was, and no partial file beside it.
TEST_P(SaveTest, AnExportThatFailsLeavesTheLastGoodFileAsItWas) {
    const SaveCase c = GetParam();
    fixtures::Folder folder;
    const QString name = folder.path(QStringLiteral("cutout.") + c.suffix);
    PixelStore8 good = samples8();
    ZtSourceImage first(good.view(), name);
    first.setFileType(c.fileType);
    ASSERT_TRUE(first.save());
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = file.readAll();
    file.close();

    // Noise does not compress: far more than the limit lets through.
    PixelStore8 large = fixtures::store8(256, 256, [](int x, int y) {
        const uint v = uint(x * 7919 + y * 104729) * 2654435761u;
        return Bgra8{uchar(v >> 24), uchar(v >> 16), uchar(v >> 8), 255};
    });
    ZtSourceImage second(large.view(), name);
    second.setFileType(c.fileType);
    {
        const fixtures::FileSizeLimit full(16384);
        EXPECT_FALSE(second.save());
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), goodBytes);
    EXPECT_EQ(QDir(QFileInfo(name).path()).entryList(QDir::Files),
              QStringList{QFileInfo(name).fileName()});
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveTest, ::testing::ValuesIn(saveCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ZtSourceImageSave, WithoutAFileTypeWritesNothing) {
    fixtures::Folder folder;
    PixelStore8 host = samples8();
    ZtSourceImage image(host.view(), folder.path("out.png"));
    EXPECT_FALSE(image.save());
    EXPECT_FALSE(QFile::exists(image.filename()));
}

// ---------------------------------------------------------------------------
// Project map
// ---------------------------------------------------------------------------

// The map as a project file carries it: through a data stream.
QVariant throughStream(const QVariant& value) {
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        out << value;
    }
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_4_5);
    QVariant read;
    in >> read;
    return read;
}

struct MapCase {
    const char* name;
    int master;
    int format;
};

void PrintTo(const MapCase& c, std::ostream* out) {
    *out << c.name;
}

class MapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapTest, RoundTripKeepsMasterFormatAndPixels) {
    const MapCase c = GetParam();
    fixtures::Folder folder;
    PixelStore8 host8 = samples8();
    PixelStore16 host16 = samples16();
    // A host's samples, at most 32768.
    PixelStore16 hostScale = fixtures::store16(kWidth, kHeight, [](int x, int y) {
        return Bgra16{quint16(5000 * x), quint16(32768 - y), 0, 32768};
    });
    std::unique_ptr<ZtSourceImage> image;
    switch (c.master) {
    case ZtSourceImage::DisplayMaster: {
        QImage picture(kWidth, kHeight, QImage::Format_ARGB32);
        std::memcpy(picture.bits(), host8.data(), host8.sampleCount());
        ASSERT_TRUE(picture.save(folder.path("in.png")));
        image = std::make_unique<ZtSourceImage>(folder.path("in.png"));
        break;
    }
    case ZtSourceImage::Master16:
        if (c.format == ZtSourceImage::Format16) {
            ASSERT_TRUE(fixtures::qtImage16(host16.view(), true).save(folder.path("in.png")));
            image = std::make_unique<ZtSourceImage>(folder.path("in.png"));
        } else {
            image = std::make_unique<ZtSourceImage>(hostScale.view(), "host layer");
        }
        break;
    default:
        image = std::make_unique<ZtSourceImage>(host8.view(), "host layer");
        break;
    }
    ASSERT_EQ(image->imageMaster(), c.master);
    ASSERT_EQ(image->format(), c.format);

    const QVariant map = throughStream(image->toVariant());
    ZtSourceImage read(map);

    ASSERT_TRUE(read.isValid());
    EXPECT_EQ(read.imageMaster(), c.master);
    EXPECT_EQ(read.format(), c.format);
    EXPECT_EQ(read.filename(), image->filename());
    EXPECT_FALSE(read.externalBuffer());
    EXPECT_EQ(read.fileType(), ZtSourceImage::NoFileType);
    EXPECT_EQ(read.checksum(), image->checksum());
    EXPECT_EQ(read.displayImage(), image->displayImage());
    if (c.master == ZtSourceImage::Master16) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(pixelAt(read.view16(), x, y), pixelAt(image->view16(), x, y));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Masters, MapTest,
    ::testing::Values(MapCase{"DisplayImage", ZtSourceImage::DisplayMaster, ZtSourceImage::Format8},
                      MapCase{"SixteenBitFile", ZtSourceImage::Master16, ZtSourceImage::Format16},
                      MapCase{"SixteenBitHost", ZtSourceImage::Master16,
                              ZtSourceImage::FormatHost16},
                      MapCase{"EightBitHost", ZtSourceImage::Master8, ZtSourceImage::Format8}),
    [](const ::testing::TestParamInfo<MapCase>& info) { return std::string(info.param.name); });

TEST(ZtSourceImageMap, StoresPngBytesOfTheMaster) {
    PixelStore16 host = fixtures::store16(2, 2, [](int, int) { return Bgra16{1, 2, 3, 32768}; });
    const QVariantMap map = ZtSourceImage(host.view(), "layer").toVariant().toMap();
    EXPECT_EQ(map.value("valid_"), QVariant(true));
    EXPECT_EQ(map.value("filename_"), QVariant(QStringLiteral("layer")));
    EXPECT_EQ(map.value("format_"), QVariant(3));
    EXPECT_EQ(map.value("imageMaster_"), QVariant(1));
    // A PNG of red, green, blue and alpha at 16 bits, the samples unscaled.
    const QByteArray png = map.value("imageImage_").toByteArray();
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    EXPECT_EQ(png[24], char(16));
    EXPECT_EQ(png[25], char(6));
    PixelStore16 decoded;
    ASSERT_TRUE(png_io::decodeRgba16(png, decoded).ok());
    EXPECT_EQ(pixelAt(decoded.view(), 1, 1), (Bgra16{1, 2, 3, 32768}));
}

TEST(ZtSourceImageMap, AnOldMapWithoutMasterAndFormatHoldsADisplayImage) {
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(9, 8, 7));
    QVariantMap map;
    map.insert("valid_", true);
    map.insert("filename_", QStringLiteral("old.jpg"));
    map.insert("imageImage_", picture);

    ZtSourceImage read(throughStream(map));

    ASSERT_TRUE(read.isValid());
    EXPECT_EQ(read.imageMaster(), ZtSourceImage::DisplayMaster);
    EXPECT_EQ(read.format(), ZtSourceImage::Format8);
    EXPECT_EQ(read.displayImage().format(), QImage::Format_ARGB32);
    EXPECT_EQ(read.displayImage().pixel(2, 1), qRgba(9, 8, 7, 255));
}

// A damaged project must not end the program: the image is invalid.
TEST(ZtSourceImageMap, DamagedPngBytesGiveAnInvalidImage) {
    for (int master : {int(ZtSourceImage::Master16), int(ZtSourceImage::Master8)}) {
        QVariantMap map;
        map.insert("valid_", true);
        map.insert("filename_", QStringLiteral("layer"));
        map.insert("format_", master == ZtSourceImage::Master16 ? 2 : 1);
        map.insert("imageMaster_", master);
        map.insert("imageImage_", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));

        ZtSourceImage read{QVariant(map)};

        EXPECT_FALSE(read.isValid()) << "master " << master;
        EXPECT_EQ(read.checksum(), 0);
        EXPECT_EQ(read.engineView().data, nullptr);
    }
}

} // namespace
