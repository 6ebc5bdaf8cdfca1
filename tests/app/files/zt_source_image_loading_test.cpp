// Loading image files: 16-bit PNG and TIFF keep their 16 bits, everything else
// goes through Qt at 8 bits; files no stage reads warn once.
#include "files/png_io.h"
#include "files/zt_source_image.h"

#include "files/main_window_hooks.h"
#include "image_fixtures.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QFile>
#include <QImage>

#include <tiffio.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

namespace {

using fixtures::Bgra16;
using fixtures::pixelAt;

constexpr int kWidth = 7, kHeight = 5;

PixelStore16 samples(bool withAlpha) {
    return fixtures::store16(kWidth, kHeight, [withAlpha](int x, int y) {
        return fixtures::samplePixel(x, y, withAlpha);
    });
}

// A tiled 16-bit RGB TIFF (Qt writes strips only), 4 x 4 tiles of 16 x 16.
void writeTiledTiff(const QString& path, const PixelView16& pixels) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, uint32_t(16));
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, uint32_t(16));
    std::vector<uint16_t> tile(16 * 16 * 3);
    for (int y0 = 0; y0 < pixels.height; y0 += 16)
        for (int x0 = 0; x0 < pixels.width; x0 += 16) {
            std::fill(tile.begin(), tile.end(), 0);
            for (int y = y0; y < std::min(y0 + 16, pixels.height); ++y)
                for (int x = x0; x < std::min(x0 + 16, pixels.width); ++x) {
                    const Bgra16 p = pixelAt(pixels, x, y);
                    uint16_t* t = tile.data() + 3 * ((y - y0) * 16 + (x - x0));
                    t[0] = p[2];
                    t[1] = p[1];
                    t[2] = p[0];
                }
            ASSERT_GE(TIFFWriteTile(tiff, tile.data(), uint32_t(x0), uint32_t(y0), 0, 0), 0);
        }
    TIFFClose(tiff);
}

// A TIFF header that claims a picture a billion pixels wide, 16-bit RGB.
QByteArray hugeTiff() {
    QByteArray b("II*\0\x08\0\0\0", 8);
    auto u16 = [&b](quint32 v) { b.append(char(v)).append(char(v >> 8)); };
    auto u32 = [&](quint32 v) { u16(v & 0xffff), u16(v >> 16); };
    auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        u16(tag), u16(type), u32(count);
        if (type == 3 && count == 1)
            u16(value), u16(0);
        else
            u32(value);
    };
    u16(9);
    entry(256, 4, 1, 0x40000000u); // width
    entry(257, 4, 1, 1);           // height
    entry(258, 3, 3, 122);         // bits per sample, at 122
    entry(259, 3, 1, 1);           // no compression
    entry(262, 3, 1, 2);           // RGB
    entry(273, 4, 1, 128);         // strip offset
    entry(277, 3, 1, 3);           // samples per pixel
    entry(278, 4, 1, 1);           // rows per strip
    entry(279, 4, 1, 6);           // strip bytes
    u32(0);
    u16(16), u16(16), u16(16);
    b.append(QByteArray(6, 0));
    return b;
}

struct SixteenBitCase {
    const char* name;
    bool withAlpha;
    int fileType;
    // Writes the samples into the file.
    void (*write)(const QString& path, const PixelView16& pixels, bool withAlpha);
};

void PrintTo(const SixteenBitCase& c, std::ostream* out) {
    *out << c.name;
}

void writeWithQt(const QString& path, const PixelView16& pixels, bool withAlpha) {
    ASSERT_TRUE(fixtures::qtImage16(pixels, withAlpha).save(path));
}

void writeTiled(const QString& path, const PixelView16& pixels, bool) {
    writeTiledTiff(path, pixels);
}

const SixteenBitCase sixteenBitCases[] = {
    {"RgbPng", false, ZtSourceImage::PngFile, writeWithQt},
    {"RgbaPng", true, ZtSourceImage::PngFile, writeWithQt},
    {"RgbTiff", false, ZtSourceImage::TiffFile, writeWithQt},
    {"RgbaTiff", true, ZtSourceImage::TiffFile, writeWithQt},
    {"TiledRgbTiff", false, ZtSourceImage::TiffFile, writeTiled},
};

class SixteenBitFileTest : public ::testing::TestWithParam<SixteenBitCase> {};

TEST_P(SixteenBitFileTest, KeepsSixteenBitsAndShowsEightBitRounding) {
    const SixteenBitCase c = GetParam();
    fixtures::Folder folder;
    const QString path =
        folder.path(c.fileType == ZtSourceImage::PngFile ? "photo.png" : "photo.tif");
    const PixelStore16 want = samples(c.withAlpha);
    c.write(path, want.view(), c.withAlpha);

    ZtSourceImage image(path);

    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.imageMaster(), ZtSourceImage::Master16);
    EXPECT_EQ(image.format(), ZtSourceImage::Format16);
    EXPECT_EQ(image.fileType(), c.fileType);
    EXPECT_FALSE(image.externalBuffer());
    EXPECT_EQ(image.engineView().kind, VkKindRgba16);
    const QImage& shown = image.displayImage();
    ASSERT_EQ(shown.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(shown.format(), QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Bgra16 p = pixelAt(want.view(), x, y);
            ASSERT_EQ(pixelAt(image.view16(), x, y), p) << "at " << x << ", " << y;
            const uchar* s = shown.constScanLine(y) + 4 * x;
            for (int ch = 0; ch < 4; ++ch)
                EXPECT_EQ(s[ch], (p[ch] + 128) / 257) << "channel " << ch;
        }
}

INSTANTIATE_TEST_SUITE_P(Files, SixteenBitFileTest, ::testing::ValuesIn(sixteenBitCases),
                         [](const ::testing::TestParamInfo<SixteenBitCase>& info) {
                             return std::string(info.param.name);
                         });

class EightBitFileTest : public ::testing::TestWithParam<const char*> {};

TEST_P(EightBitFileTest, LoadsThroughTheGeneralReaderAtEightBits) {
    const QString suffix = QString::fromLatin1(GetParam());
    fixtures::Folder folder;
    const QString path = folder.path("picture." + suffix);
    // Qt's TIFF reader premultiplies alpha, so only the PNG has see-through pixels.
    const bool opaque = suffix == "tif";
    QImage written(kWidth, kHeight, QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            written.setPixel(x, y, qRgba(30 * x, 40 * y, 200, opaque ? 255 : 255 - 20 * x));
    ASSERT_TRUE(written.save(path));

    ZtSourceImage image(path);

    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.imageMaster(), ZtSourceImage::DisplayMaster);
    EXPECT_EQ(image.format(), ZtSourceImage::Format8);
    EXPECT_EQ(image.fileType(), suffix == "png" ? ZtSourceImage::PngFile : ZtSourceImage::TiffFile);
    EXPECT_EQ(image.engineView().kind, VkKindRgba8);
    const QImage& shown = image.displayImage();
    ASSERT_EQ(shown.format(), QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(shown.pixel(x, y), written.pixel(x, y)) << "at " << x << ", " << y;
    // The 8-bit view is the display image's own pixels.
    EXPECT_EQ(image.view8().pixels, shown.constBits());
}

INSTANTIATE_TEST_SUITE_P(Files, EightBitFileTest, ::testing::Values("png", "tif"));

struct UnreadableCase {
    const char* name;
    const char* fileName;
    QByteArray (*content)(); // null: the file does not exist
};

void PrintTo(const UnreadableCase& c, std::ostream* out) {
    *out << c.name;
}

QByteArray truncatedSixteenBitPng() {
    fixtures::Folder folder;
    const QString path = folder.path("whole.png");
    const PixelStore16 pixels = samples(true);
    EXPECT_TRUE(fixtures::qtImage16(pixels.view(), true).save(path));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    return bytes.left(bytes.size() - 30);
}

const UnreadableCase unreadableCases[] = {
    {"Missing", "missing.png", nullptr},
    {"NotAnImage", "notes.png", [] { return QByteArray("just some text\n"); }},
    {"TruncatedSixteenBitPng", "cut.png", truncatedSixteenBitPng},
    // Eight gigabytes announced by a few bytes: beyond the pixel limit.
    {"HugeTiff", "huge.tif", hugeTiff},
};

class UnreadableFileTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableFileTest, WarnsOnceAndStaysInvalid) {
    const UnreadableCase c = GetParam();
    fixtures::Folder folder;
    const QString path = folder.path(c.fileName);
    if (c.content) fixtures::writeFile(path, c.content());
    test_support::prompts().answer(PromptService::Ok);

    ::testing::internal::CaptureStderr();
    ZtSourceImage image(path);
    ::testing::internal::GetCapturedStderr();

    EXPECT_FALSE(image.isValid());
    EXPECT_EQ(image.checksum(), 0);
    ASSERT_EQ(test_support::prompts().asked().size(), 1);
    const auto& prompt = test_support::prompts().asked().first();
    EXPECT_EQ(prompt.kind, PromptService::Kind::Warning);
    EXPECT_EQ(prompt.title, productName());
    EXPECT_EQ(prompt.text, "Sorry - could not open file " + path +
                               "\n\nIf you have Adobe Photoshop you could try loading the file "
                               "into it, and applying the Zeltran 3 filter there.");
    EXPECT_EQ(prompt.buttons, PromptService::Buttons(PromptService::Ok));
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableFileTest, ::testing::ValuesIn(unreadableCases),
                         [](const ::testing::TestParamInfo<UnreadableCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ZtSourceImageLoading, AnEmptyNameGivesAnInvalidImageSilently) {
    ZtSourceImage image{QString()};
    EXPECT_FALSE(image.isValid());
    EXPECT_TRUE(image.displayImage().isNull());
    EXPECT_TRUE(test_support::prompts().asked().isEmpty());
}

// A picture within the pixel limit for which the memory runs out: the
// process may hold no more address space than it has when the file is read.
// The sanitizers reserve address space of their own, so they skip it.
TEST(ZtSourceImageLoading, RunningOutOfMemoryGoesToTheInternalErrorHandler) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit cannot be set under a sanitizer";
#endif
    fixtures::Folder folder;
    const QString path = folder.path("large.png");
    {
        // 3000 x 3000 at 16 bits: 72 MB of samples, a small file.
        PixelStore16 flat;
        flat.allocate(3000, 3000);
        std::fill(flat.data(), flat.data() + flat.sampleCount(), quint16(0x1234));
        ASSERT_TRUE(png_io::write(path, flat.view()));
    }
    QStringList reported;
    setInternalErrorHook([&reported](const QString& command, const QString& error) {
        reported << command << error;
    });
    {
        const fixtures::AddressSpaceLimit full(32 << 20);
        ZtSourceImage image(path);
        EXPECT_FALSE(image.isValid());
    }
    setInternalErrorHook(nullptr);
    EXPECT_EQ(reported, QStringList({"Loading file " + path, "Out of memory"}));
    EXPECT_TRUE(test_support::prompts().asked().isEmpty());
}

} // namespace
