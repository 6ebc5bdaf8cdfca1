#include "image_fixtures.h"

#include "support/test_environment.h"

#include <QColor>
#include <QFile>
#include <QRgba64>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace fixtures {

PixelStore16 store16(int width, int height, const std::function<Bgra16(int x, int y)>& pixel) {
    PixelStore16 store;
    store.allocate(width, height);
    const PixelView16 view = store.view();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgra16 p = pixel(x, y);
            std::copy(p.begin(), p.end(), view.row(y) + 4 * x);
        }
    return store;
}

PixelStore8 store8(int width, int height, const std::function<Bgra8(int x, int y)>& pixel) {
    PixelStore8 store;
    store.allocate(width, height);
    const PixelView8 view = store.view();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgra8 p = pixel(x, y);
            std::copy(p.begin(), p.end(), view.row(y) + 4 * x);
        }
    return store;
}

Bgra16 pixelAt(const PixelView16& view, int x, int y) {
    const quint16* p = view.row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

Bgra8 pixelAt(const PixelView8& view, int x, int y) {
    const uchar* p = view.row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

QImage qtImage16(const PixelView16& pixels, bool withAlpha) {
    QImage image(pixels.width, pixels.height,
                 withAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            const Bgra16 p = pixelAt(pixels, x, y);
            image.setPixelColor(x, y, QColor::fromRgba64(p[2], p[1], p[0], p[3]));
        }
    return image;
}

Bgra16 samplePixel(int x, int y, bool withAlpha) {
    return {quint16(1000 + 3001 * x), quint16(40000 + 7 * y + x), quint16(65535 - 123 * (x + y)),
            quint16(withAlpha ? 20000 + 1111 * x + 13 * y : 65535)};
}

Folder::Folder() : dir_(test_support::scratchPath() + QStringLiteral("/files-XXXXXX")) {
    EXPECT_TRUE(dir_.isValid());
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
}

AddressSpaceLimit::AddressSpaceLimit(rlim_t room) {
    getrlimit(RLIMIT_AS, &old_);
    // The pages mapped now, from the kernel's own count.
    QFile statm(QStringLiteral("/proc/self/statm"));
    rlim_t mapped = 0;
    if (statm.open(QIODevice::ReadOnly))
        mapped = rlim_t(statm.readAll().split(' ').value(0).toULongLong()) * rlim_t(getpagesize());
    rlimit limit = old_;
    limit.rlim_cur = mapped + room;
    setrlimit(RLIMIT_AS, &limit);
}

AddressSpaceLimit::~AddressSpaceLimit() {
    setrlimit(RLIMIT_AS, &old_);
}

} // namespace fixtures
