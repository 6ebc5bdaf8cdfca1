// The stroke's share of painting: one mouse move of a brush stroke (painting
// the segment into the one-bit picture), drawing the repainted part of the
// stroke on the canvas, and the mask the selection command takes at release.
// The workspace is 2400 x 1600, the largest a document has (a photograph is
// reduced until its workspace holds at most 4 million pixels).
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_model.h"
#include "support/app_services.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kWidth = 2400, kHeight = 1600;

struct Environment : AppServices<QGuiApplication> {
    Environment() : AppServices("brush_stroke_bench") {
        QImage pixels(kWidth, kHeight, QImage::Format_ARGB32);
        pixels.fill(qRgb(90, 120, 150));
        image = std::make_unique<ZtSourceImage>(NamedImage(pixels, QUrl()));
        GmModel::instance()->setSourceImage(image.get());
    }
    std::unique_ptr<ZtSourceImage> image;
};

Environment& environment() {
    static Environment instance;
    return instance;
}

// A point on a circle through the middle of the image, so moves go every way.
QPointF pointOnCircle(int step) {
    const double angle = step * 0.01;
    return QPointF(kWidth / 2 + 600 * std::cos(angle), kHeight / 2 + 600 * std::sin(angle));
}

// One mouse move of about six pixels with a brush of range(0) pixels.
void BM_StrokeLineTo(benchmark::State& state) {
    environment();
    const int size = int(state.range(0));
    Brushing::setBrushSizeHook([size] { return size; });
    Brushing stroke{QColor(Qt::green)};
    stroke.startAt(pointOnCircle(0));
    int step = 0;
    for (auto _ : state) {
        stroke.lineTo(pointOnCircle(++step));
        if (step == 628) {
            state.PauseTiming();
            stroke.clear();
            stroke.startAt(pointOnCircle(step = 0));
            state.ResumeTiming();
        }
    }
    Brushing::setBrushSizeHook(nullptr);
}
BENCHMARK(BM_StrokeLineTo)->Arg(1)->Arg(20)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

// Drawing the part of a painted stroke that a move of a 400-pixel brush dirties.
void BM_StrokePaintDirtyPart(benchmark::State& state) {
    environment();
    Brushing::setBrushSizeHook([] { return 400; });
    Brushing stroke{QColor(Qt::green)};
    stroke.startAt(pointOnCircle(0));
    for (int step = 1; step < 628; step += 4)
        stroke.lineTo(pointOnCircle(step));
    QImage canvas(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    painter.setPen(QColor(0, 200, 0, 128));
    const ImageRectF dirty(kWidth / 2 + 400, kHeight / 2 - 200, 406, 406);
    for (auto _ : state) {
        painter.setClipRect(dirty);
        stroke.paint(&painter, dirty, Shape::PaintBeingDrawn, 1, 0);
    }
    Brushing::setBrushSizeHook(nullptr);
}
BENCHMARK(BM_StrokePaintDirtyPart)->Unit(benchmark::kMicrosecond);

// The selection command's mask of a stroke that went round the image.
void BM_StrokeRenderMask(benchmark::State& state) {
    environment();
    Brushing::setBrushSizeHook([] { return 100; });
    Brushing stroke{QColor(Qt::green)};
    stroke.startAt(pointOnCircle(0));
    for (int step = 1; step < 628; ++step)
        stroke.lineTo(pointOnCircle(step));
    for (auto _ : state)
        benchmark::DoNotOptimize(stroke.renderMask(QPen(), QBrush()));
    Brushing::setBrushSizeHook(nullptr);
}
BENCHMARK(BM_StrokeRenderMask)->Unit(benchmark::kMillisecond);

} // namespace
