// The image's pixels in memory: host views without copies, the sample
// conversions, named images, the workspace copy, the checksum and copies.
#include "files/zt_source_image.h"

#include "files/named_image.h"
#include "image_fixtures.h"
#include "support/test_environment.h"

#include <QColor>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using fixtures::Bgra16;
using fixtures::Bgra8;
using fixtures::pixelAt;

// ---------------------------------------------------------------------------
// Host pixels
// ---------------------------------------------------------------------------

TEST(ZtSourceImageHost, EightBitPixelsAreShownWithoutACopy) {
    PixelStore8 host = fixtures::store8(4, 3, [](int x, int y) {
        return Bgra8{uchar(x), uchar(y), 200, 255};
    });
    ZtSourceImage image(host.view(), QStringLiteral("layer"));

    EXPECT_TRUE(image.isValid());
    EXPECT_TRUE(image.externalBuffer());
    EXPECT_EQ(image.imageMaster(), ZtSourceImage::Master8);
    EXPECT_EQ(image.format(), ZtSourceImage::Format8);
    EXPECT_EQ(image.fileType(), ZtSourceImage::NoFileType);
    EXPECT_EQ(image.view8().pixels, host.data());
    EXPECT_EQ(image.displayImage().constBits(), host.data());
    const VkImage view = image.engineView();
    EXPECT_EQ(view.kind, VkKindRgba8);
    EXPECT_EQ(view.data, host.data());
    EXPECT_EQ(view.rowBytes, 16);
}

struct HostSampleCase {
    quint16 sample;
    uchar shown;   // 8 bits
    quint16 saved; // full scale 65535
};

void PrintTo(const HostSampleCase& c, std::ostream* out) {
    *out << "sample " << c.sample;
}

class HostSampleTest : public ::testing::TestWithParam<HostSampleCase> {};

// A host's 16-bit samples run to 32768; larger ones (out of its scale) count
// as full scale instead of wrapping round.
TEST_P(HostSampleTest, ShowsAndConvertsOnTheHostsScale) {
    const HostSampleCase c = GetParam();
    PixelStore16 host = fixtures::store16(2, 2, [&c](int, int) {
        return Bgra16{c.sample, c.sample, c.sample, c.sample};
    });
    ZtSourceImage image(host.view(), QStringLiteral("layer"));

    EXPECT_EQ(image.imageMaster(), ZtSourceImage::Master16);
    EXPECT_EQ(image.format(), ZtSourceImage::FormatHost16);
    EXPECT_EQ(image.view16().pixels, host.data());
    EXPECT_EQ(image.engineView().kind, VkKindRgba15);
    EXPECT_EQ(pixelAt(image.view8(), 1, 1), (Bgra8{c.shown, c.shown, c.shown, c.shown}));

    ZtSourceImage converted(image, ZtSourceImage::Format16);
    EXPECT_EQ(converted.format(), ZtSourceImage::Format16);
    EXPECT_NE(converted.view16().pixels, host.data());
    EXPECT_EQ(pixelAt(converted.view16(), 1, 1), (Bgra16{c.saved, c.saved, c.saved, c.saved}));
    EXPECT_EQ(converted.engineView().kind, VkKindRgba16);
}

INSTANTIATE_TEST_SUITE_P(Samples, HostSampleTest,
                         ::testing::Values(HostSampleCase{0, 0, 0}, HostSampleCase{128, 0, 255},
                                           HostSampleCase{16384, 127, 32767},
                                           HostSampleCase{32768, 255, 65535},
                                           HostSampleCase{40000, 255, 65535},
                                           HostSampleCase{65535, 255, 65535}));

TEST(ZtSourceImageHost, AStaleDisplayIsRebuiltFromTheSixteenBitMaster) {
    PixelStore16 host = fixtures::store16(2, 1, [](int, int) { return Bgra16{0, 0, 0, 32768}; });
    ZtSourceImage image(host.view(), QStringLiteral("result"));
    EXPECT_EQ(pixelAt(image.view8(), 0, 0), (Bgra8{0, 0, 0, 255}));

    // The engine writes the cut-out into the host's pixels; the model says so.
    host.data()[0] = 32768;
    EXPECT_EQ(pixelAt(image.view8(), 0, 0), (Bgra8{0, 0, 0, 255}));
    image.setDisplayStale(true);
    EXPECT_EQ(image.displayImage().pixel(0, 0), qRgba(0, 0, 255, 255));
    EXPECT_FALSE(image.displayStale());
}

// ---------------------------------------------------------------------------
// Named images
// ---------------------------------------------------------------------------

struct NamedCase {
    const char* name;
    QImage::Format format;
};

void PrintTo(const NamedCase& c, std::ostream* out) {
    *out << c.name;
}

class NamedImageTest : public ::testing::TestWithParam<NamedCase> {};

// Whatever a dropped image's own format, its pixels are read as 8-bit blue,
// green, red, alpha.
TEST_P(NamedImageTest, IsHeldAsStraightEightBitAlpha) {
    QImage picture(3, 2, QImage::Format_ARGB32);
    const QRgb colours[6] = {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 128),
                             qRgba(0, 0, 255, 0),   qRgba(255, 255, 255, 255),
                             qRgba(0, 0, 0, 255),   qRgba(255, 255, 0, 64)};
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, colours[i]);
    const QImage given = picture.convertToFormat(GetParam().format);
    const NamedImage named(given, QUrl(QStringLiteral("https://example.org/a%20b/cat.png?x=1")));

    ZtSourceImage image(named);

    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.filename(), QStringLiteral("cat.png"));
    EXPECT_EQ(image.imageMaster(), ZtSourceImage::DisplayMaster);
    EXPECT_EQ(image.fileType(), ZtSourceImage::NoFileType);
    const QImage& shown = image.displayImage();
    ASSERT_EQ(shown.format(), QImage::Format_ARGB32);
    const QImage expected = given.convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < 6; ++i) {
        const uchar* p = image.view8().row(i / 3) + 4 * (i % 3);
        const QRgb want = expected.pixel(i % 3, i / 3);
        EXPECT_EQ((Bgra8{p[0], p[1], p[2], p[3]}), (Bgra8{uchar(qBlue(want)), uchar(qGreen(want)),
                                                          uchar(qRed(want)), uchar(qAlpha(want))}))
            << "pixel " << i;
    }
    // A copy: the given image is not touched.
    EXPECT_NE(shown.constBits(), given.constBits());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, NamedImageTest,
    ::testing::Values(NamedCase{"Argb32", QImage::Format_ARGB32},
                      NamedCase{"Premultiplied", QImage::Format_ARGB32_Premultiplied},
                      NamedCase{"Indexed", QImage::Format_Indexed8},
                      NamedCase{"Rgba64", QImage::Format_RGBA64},
                      NamedCase{"Rgb888", QImage::Format_RGB888}),
    [](const ::testing::TestParamInfo<NamedCase>& info) { return std::string(info.param.name); });

TEST(NamedImage, IsNamedAfterTheDecodedPathOfItsAddress) {
    EXPECT_EQ(NamedImage(QImage(1, 1, QImage::Format_ARGB32),
                         QUrl(QStringLiteral("https://example.org/a%20b/my%20cat.jpg")))
                  .name(),
              QStringLiteral("my cat.jpg"));
    EXPECT_EQ(NamedImage(QImage(1, 1, QImage::Format_ARGB32), QUrl()).name(), QString());
}

// ---------------------------------------------------------------------------
// The workspace copy
// ---------------------------------------------------------------------------

struct WorkspaceSizeCase {
    int width, height, factor, workspaceWidth, workspaceHeight;
};

void PrintTo(const WorkspaceSizeCase& c, std::ostream* out) {
    *out << c.width << " x " << c.height << " at " << c.factor;
}

class WorkspaceSizeTest : public ::testing::TestWithParam<WorkspaceSizeCase> {};

// Every pixel of the copy is defined: an image of one colour reduces to that colour.
TEST_P(WorkspaceSizeTest, IsTheImageDividedByTheFactorRoundedUp) {
    const WorkspaceSizeCase c = GetParam();
    PixelStore8 host = fixtures::store8(c.width, c.height, [](int, int) {
        return Bgra8{10, 20, 30, 255};
    });
    ZtSourceImage image(host.view(), QStringLiteral("layer"));

    const QImage& workspace = image.image(c.factor);

    ASSERT_EQ(workspace.size(), QSize(c.workspaceWidth, c.workspaceHeight));
    EXPECT_EQ(workspace.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.workspacePixmap().size(), workspace.size());
    EXPECT_EQ(image.workspaceView().width, c.workspaceWidth);
    EXPECT_EQ(image.workspaceView().pixels, workspace.constBits());
    for (int y = 0; y < workspace.height(); ++y)
        for (int x = 0; x < workspace.width(); ++x)
            ASSERT_EQ(workspace.pixel(x, y), qRgba(30, 20, 10, 255)) << "at " << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorkspaceSizeTest,
                         ::testing::Values(WorkspaceSizeCase{1001, 600, 2, 501, 300},
                                           WorkspaceSizeCase{1000, 1000, 4, 250, 250},
                                           WorkspaceSizeCase{10, 10, 8, 2, 2},
                                           WorkspaceSizeCase{9, 9, 8, 2, 2},
                                           WorkspaceSizeCase{3, 100, 8, 1, 13},
                                           WorkspaceSizeCase{5, 7, 1, 5, 7}));

// The engine cannot reduce 10 x 10 by 8 (it would need 5): the copy is the
// mean of each 8 x 8 block, smaller at the edges.
TEST(ZtSourceImageWorkspace, ReducesSizesTheEngineCannotByAveraging) {
    PixelStore8 host = fixtures::store8(10, 10, [](int x, int y) {
        return Bgra8{uchar(x < 8 ? 200 : 40), uchar(y < 8 ? 0 : 90), uchar(x % 2 ? 100 : 0), 255};
    });
    ZtSourceImage image(host.view(), QStringLiteral("small"));

    const QImage& workspace = image.image(8);

    ASSERT_EQ(workspace.size(), QSize(2, 2));
    // Blue by column block, green by row block, red the mean of 0 and 100 in both.
    EXPECT_EQ(workspace.pixel(0, 0), qRgba(50, 0, 200, 255));
    EXPECT_EQ(workspace.pixel(1, 0), qRgba(50, 0, 40, 255));
    EXPECT_EQ(workspace.pixel(0, 1), qRgba(50, 90, 200, 255));
    EXPECT_EQ(workspace.pixel(1, 1), qRgba(50, 90, 40, 255));
}

// An engine session reads the copy's pixels: asking again for the same factor
// keeps them where they are; another factor builds a new copy.
TEST(ZtSourceImageWorkspace, IsRebuiltOnlyWhenMissingOrTheFactorChanged) {
    PixelStore8 host = fixtures::store8(64, 48, [](int x, int y) {
        return Bgra8{uchar(x), uchar(y), 0, 255};
    });
    ZtSourceImage image(host.view(), QStringLiteral("layer"));
    EXPECT_TRUE(image.workspaceImage().isNull());

    image.updateWorkingImage(2);
    uchar* sessionPixels = image.workspaceView().pixels;
    sessionPixels[0] = 123; // a mark that a rebuilt copy would not carry
    image.updateWorkingImage(2);
    EXPECT_EQ(image.workspaceView().pixels, sessionPixels);
    EXPECT_EQ(image.workspaceImage().constBits()[0], 123);
    EXPECT_EQ(image.image(2).constBits(), sessionPixels);
    EXPECT_EQ(image.workspaceFactor(), 2);

    image.updateWorkingImage(4);
    EXPECT_EQ(image.workspaceImage().size(), QSize(16, 12));
    EXPECT_EQ(image.workspaceFactor(), 4);

    // At factor 1 the copy is the display image itself.
    image.updateWorkingImage(1);
    EXPECT_EQ(image.workspaceImage().constBits(), host.data());
    EXPECT_EQ(image.workspaceView().pixels, host.data());
}

TEST(ZtSourceImageWorkspace, AReplacedCopyStaysReadableUntilReleased) {
    PixelStore8 host = fixtures::store8(64, 48, [](int x, int y) {
        return Bgra8{uchar(x), uchar(y), 0, 255};
    });
    ZtSourceImage image(host.view(), QStringLiteral("layer"));
    image.updateWorkingImage(2);
    const PixelView8 session = image.workspaceView(); // what an engine session reads
    const int before = session.row(23)[4 * 31];

    // A new factor while the old session still runs (a resolution change).
    image.updateWorkingImage(4);
    EXPECT_NE(image.workspaceView().pixels, session.pixels);
    EXPECT_EQ(session.row(23)[4 * 31], before) << "still there for the old session";
    image.releaseRetiredWorkspaces();
    EXPECT_EQ(image.workspaceFactor(), 4);
}

TEST(ZtSourceImageWorkspace, AnInvalidImageHasNone) {
    ZtSourceImage image{QString()};
    EXPECT_TRUE(image.image(2).isNull());
    EXPECT_TRUE(image.workspaceView().isEmpty());
}

// ---------------------------------------------------------------------------
// Checksum
// ---------------------------------------------------------------------------

// A project made from a host image is accepted for that image: only the first
// width bytes of the master, its width and its height count.
TEST(ZtSourceImageChecksum, CountsOnlyTheFirstWidthBytesAndTheSize) {
    auto pattern = [](int x, int y) { return Bgra8{uchar(x), uchar(y), uchar(x ^ y), 255}; };
    PixelStore8 a = fixtures::store8(16, 4, pattern);
    PixelStore8 b = fixtures::store8(16, 4, pattern);
    b.data()[16] ^= 1;     // the fifth pixel of the first row: past 16 bytes
    b.data()[16 * 4] ^= 1; // the second row
    PixelStore8 c = fixtures::store8(16, 4, pattern);
    c.data()[15] ^= 1; // the last of the first 16 bytes
    PixelStore8 taller = fixtures::store8(16, 5, pattern);

    const ZtSourceImage first(a.view(), "a"), second(b.view(), "b"), third(c.view(), "c"),
        fourth(taller.view(), "d");

    EXPECT_EQ(first.checksum(), second.checksum());
    EXPECT_NE(first.checksum(), third.checksum());
    EXPECT_NE(first.checksum(), fourth.checksum());
    EXPECT_EQ(first.checksum(),
              quint16(qChecksum(reinterpret_cast<const char*>(a.data()), 16) ^ 16 ^ 4));
}

TEST(ZtSourceImageChecksum, OfASixteenBitMasterReadsItsFirstEighth) {
    auto pattern = [](int x, int y) {
        return Bgra16{quint16(x * 300), quint16(y * 500), 7, 32768};
    };
    PixelStore16 a = fixtures::store16(16, 2, pattern);
    PixelStore16 b = fixtures::store16(16, 2, pattern);
    b.data()[8] ^= 1; // the third pixel: past the first 16 bytes
    PixelStore16 c = fixtures::store16(16, 2, pattern);
    c.data()[7] ^= 1; // the second pixel's alpha: within them

    const ZtSourceImage first(a.view(), "a"), second(b.view(), "b"), third(c.view(), "c");

    EXPECT_EQ(first.checksum(), second.checksum());
    EXPECT_NE(first.checksum(), third.checksum());
    EXPECT_EQ(first.checksum(),
              quint16(qChecksum(reinterpret_cast<const char*>(a.data()), 16) ^ 16 ^ 2));
}

// ---------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------

class CopyTest : public ::testing::TestWithParam<int> {};

// The model makes the working image as a copy of the source when none is
// given, and reverts it by copying the source's pixels back.
TEST_P(CopyTest, HasPixelsOfItsOwnAndTakesThemBack) {
    const int master = GetParam();
    PixelStore8 host8 = fixtures::store8(6, 4, [](int x, int y) {
        return Bgra8{uchar(10 * x), uchar(10 * y), 99, 255};
    });
    PixelStore16 host16 = fixtures::store16(6, 4, [](int x, int y) {
        return Bgra16{quint16(1000 * x), quint16(1000 * y), 99, 32768};
    });
    std::unique_ptr<ZtSourceImage> source;
    if (master == ZtSourceImage::DisplayMaster) {
        QImage picture(6, 4, QImage::Format_ARGB32);
        picture.fill(qRgba(1, 2, 3, 255));
        source = std::make_unique<ZtSourceImage>(NamedImage(picture, QUrl("file:///p/q.png")));
    } else if (master == ZtSourceImage::Master8) {
        source = std::make_unique<ZtSourceImage>(host8.view(), "layer");
    } else {
        source = std::make_unique<ZtSourceImage>(host16.view(), "layer");
    }

    ZtSourceImage copy(*source);

    EXPECT_TRUE(copy.isValid());
    EXPECT_FALSE(copy.externalBuffer());
    EXPECT_EQ(copy.imageMaster(), master);
    EXPECT_EQ(copy.format(), source->format());
    EXPECT_EQ(copy.filename(), source->filename());
    EXPECT_NE(copy.view8().pixels, source->view8().pixels);
    EXPECT_EQ(copy.checksum(), source->checksum());
    EXPECT_EQ(copy.displayImage(), source->displayImage());

    // The cut-out overwrites the copy; reverting takes the source's pixels back.
    std::memset(copy.view8().pixels, 0, 4);
    if (master == ZtSourceImage::Master16) std::memset(copy.view16().pixels, 0, 8);
    copy.image(2);
    copy.copyPixelsFrom(*source);
    EXPECT_EQ(copy.displayImage(), source->displayImage());
    EXPECT_TRUE(copy.workspaceImage().isNull());
    if (master == ZtSourceImage::Master16) {
        EXPECT_EQ(pixelAt(copy.view16(), 0, 0), pixelAt(source->view16(), 0, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Masters, CopyTest,
                         ::testing::Values(int(ZtSourceImage::DisplayMaster),
                                           int(ZtSourceImage::Master16),
                                           int(ZtSourceImage::Master8)));

// An engine command holds the pixels' address from its prepare step to its
// end: sharing the display image (the canvas keeps a copy, the workspace copy
// at factor 1 is the display image) must not move the pixels when the image
// is rebuilt or reverted meanwhile.
TEST(ZtSourceImagePixels, StayWhereTheyAreWhileTheImageIsShared) {
    QImage picture(6, 4, QImage::Format_ARGB32);
    picture.fill(qRgba(1, 2, 3, 255));
    ZtSourceImage source(NamedImage(picture, QUrl()));
    ZtSourceImage image(source);
    const QImage shared = image.displayImage();
    image.image(1);
    const VkImage held = image.engineView();

    image.init();
    EXPECT_EQ(image.engineView().data, held.data);
    image.copyPixelsFrom(source);
    EXPECT_EQ(image.engineView().data, held.data);
    EXPECT_EQ(image.displayImage().constBits(), held.data);
}

TEST(ImageViewOf, DescribesIndexedAndThirtyTwoBitImagesOnly) {
    const QImage status(5, 3, QImage::Format_Indexed8);
    const VkImage statusView = imageViewOf(status);
    EXPECT_EQ(statusView.kind, VkKindStatus);
    EXPECT_EQ(statusView.rowBytes, status.bytesPerLine());
    EXPECT_EQ(statusView.data, status.constBits());
    EXPECT_EQ(imageViewOf(QImage(5, 3, QImage::Format_RGB32)).kind, VkKindRgba8);
    EXPECT_EQ(imageViewOf(QImage(5, 3, QImage::Format_RGB888)).data, nullptr);
}

} // namespace
