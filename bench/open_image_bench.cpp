// Opening a photograph as the user does, up to the picture on the screen: a
// 24-megapixel camera JPEG stored sideways (Exif orientation 6) decoded,
// turned upright and reduced to its workspace copy; and a 16-bit RGB PNG of
// the same size read at 16 bits, shown at 8 and reduced. 24 megapixels give
// the document the resolution factor 8.
//
// The inputs are a real photograph scaled up to 6000 x 4000, written once to
// a temporary folder; the 16-bit PNG carries noise in its low bytes as a
// camera's would.
#include "files/zt_source_image.h"

#include "support/app_services.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kWidth = 6000, kHeight = 4000, kFactor = 8;

struct Environment : AppServices<QGuiApplication> {
    Environment() : AppServices("open_image_bench") {}
};

// An Exif section that says "turn a quarter clockwise" (orientation 6).
QByteArray orientationSix() {
    const char tiff[] = "II*\0\x08\0\0\0"                    // header, first directory at 8
                        "\x01\0"                             // one entry
                        "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0" // orientation, short, 1, 6
                        "\0\0\0\0";                          // no next directory
    const QByteArray block(tiff, sizeof tiff - 1);
    const int length = 2 + 6 + block.size();
    return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length) +
           QByteArray("Exif\0\0", 6) + block;
}

struct Inputs {
    QString jpeg;
    QString png16;
    std::string error;
};

Inputs makeInputs(const Environment& environment) {
    Inputs inputs;
    const QString photo = QStringLiteral(CUTOUT_SHARED_DATA "/photos/Dune.jpg");
    QImage picture(photo);
    if (picture.isNull()) {
        inputs.error = "no photograph at " + photo.toStdString();
        return inputs;
    }
    picture = picture.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 92);
    inputs.jpeg = environment.folder.filePath(QStringLiteral("camera.jpg"));
    QFile jpegFile(inputs.jpeg);
    if (!jpegFile.open(QIODevice::WriteOnly) ||
        jpegFile.write(jpeg.left(2) + orientationSix() + jpeg.mid(2)) < 0) {
        inputs.error = "cannot write the JPEG";
        return inputs;
    }
    jpegFile.close();

    // 16 bits: each sample v x 257 with a little noise in its low byte.
    QImage wide(kWidth, kHeight, QImage::Format_RGBX64);
    quint32 noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgba64* out = reinterpret_cast<QRgba64*>(wide.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            auto sample = [&noise](int v) {
                noise = noise * 1664525u + 1013904223u;
                const int n = int(noise >> 25) - 64;
                return quint16(qBound(0, v * 257 + n, 65535));
            };
            out[x] = QRgba64::fromRgba64(sample(qRed(in[x])), sample(qGreen(in[x])),
                                         sample(qBlue(in[x])), 65535);
        }
    }
    inputs.png16 = environment.folder.filePath(QStringLiteral("wide.png"));
    if (!wide.save(inputs.png16)) inputs.error = "cannot write the 16-bit PNG";
    return inputs;
}

const Inputs& inputs() {
    static Environment environment;
    static const Inputs made = makeInputs(environment);
    return made;
}

void openAndShow(benchmark::State& state, const QString& path, int wantedFormat) {
    for (auto _ : state) {
        ZtSourceImage image(path);
        if (!image.isValid() || image.format() != wantedFormat) {
            state.SkipWithError("the file did not load as expected");
            break;
        }
        image.updateWorkingImage(kFactor);
        benchmark::DoNotOptimize(image.workspaceImage().constBits());
    }
    state.counters["MP_per_s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_OpenCameraJpeg(benchmark::State& state) {
    const Inputs& in = inputs();
    if (!in.error.empty()) {
        state.SkipWithError(in.error.c_str());
        return;
    }
    openAndShow(state, in.jpeg, ZtSourceImage::Format8);
}

void BM_OpenSixteenBitPng(benchmark::State& state) {
    const Inputs& in = inputs();
    if (!in.error.empty()) {
        state.SkipWithError(in.error.c_str());
        return;
    }
    openAndShow(state, in.png16, ZtSourceImage::Format16);
}

} // namespace

BENCHMARK(BM_OpenCameraJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenSixteenBitPng)->Unit(benchmark::kMillisecond)->UseRealTime();
