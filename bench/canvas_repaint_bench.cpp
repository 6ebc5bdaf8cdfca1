// What the user waits for while painting on a 24-megapixel photograph: one
// mouse move of a brush stroke (the stroke's new segment and the brush
// outline repainted), and the repaint of the whole view after the engine
// changed the masks, at the zooms between the fitted view and 1600 %. The
// canvas shows the workspace copy (factor 4, the photograph reduced to 1.5
// megapixels) with the mask overlay in a 1600 x 1000 view. Also the area of
// a patch's cut-out preview, built when the preview is asked for: for a
// patch over most of the workspace copy, and from 4 and 9 megapixel masks.
#include "engine_bridge/command_support.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/poly_region.h"
#include "model/zt_polygon.h"
#include "support/app_services.h"
#include "workspace/canvas_tool.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/mask_region.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// A brush as the canvas sees one: a blank pointer and the outline.
class Brush : public CanvasTool {
public:
    QCursor cursor() const override { return QCursor(Qt::BlankCursor); }
    void mousePress(QMouseEvent*, const QPointF&) override {}
    void mouseMove(QMouseEvent*, const QPointF&) override {}
    void mouseRelease(QMouseEvent*, const QPointF&) override {}
    void mouseDoubleClick(QMouseEvent*, const QPointF&) override {}
    int allowedViewTabs() const override { return 2; }
    bool clearsPreviewOnPress() const override { return false; }
    bool isBrush() const override { return true; }
    QColor cursorColour() const override { return Qt::green; }
    bool isAvailable() const override { return true; }
    int targetDrawMode(const ArrowTarget*) const override { return 3; }
    bool isAllowedOnCurrentTab() const override { return true; }
    void trackButtonState(QMouseEvent*) override {}
};

// Smooth gradients with hard-edged shapes, as much to draw as a photograph.
QImage photograph() {
    QImage photo(kWidth, kHeight, QImage::Format_ARGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(1, QColor(220, 180, 120));
    painter.fillRect(photo.rect(), sky);
    for (int i = 0; i < 40; ++i)
        painter.fillRect((i * 733) % kWidth, (i * 541) % kHeight, 400, 300,
                         QColor((i * 37) % 256, (i * 91) % 256, (i * 53) % 256));
    return photo;
}

struct Environment : AppServices<QApplication> {
    Environment() : AppServices("canvas_repaint_bench") {
        image = std::make_unique<ZtSourceImage>(NamedImage(photograph(), QUrl()));
        GmModel* const model = GmModel::instance();
        model->setSourceImage(image.get());
        model->setResolutionFactor(4);
        const VkImage view = model->workspaceEngineView();
        engine = VkInit();
        model->setStatusImage(VkNewStatusImage(engine, view.width, view.height, view.rowBytes,
                                               VkKindRgba8, view.data));
        model->statusArray()->updateStatusesPresent();

        CanvasTool::setCurrentToolSource([this]() -> CanvasTool* { return &brush; });
        Brushing::setBrushSizeHook([] { return 40; });
        area = std::make_unique<QScrollArea>();
        canvas = new GmZoomWidget(nullptr);
        area->setWidget(canvas);
        area->resize(1600, 1000);
        area->show();
        canvas->viewTabChangedSlot(ViewTabs::Workspace);
        QApplication::processEvents();
    }
    std::unique_ptr<ZtSourceImage> image;
    VkEngine* engine = nullptr;
    Brush brush;
    std::unique_ptr<QScrollArea> area;
    GmZoomWidget* canvas = nullptr;
};

Environment& environment() {
    static Environment made;
    return made;
}

void zoomTo(double zoom) {
    Environment& e = environment();
    e.canvas->setZoom(zoom, true);
    QApplication::processEvents();
}

// A mouse move along a stroke: the stroke paints its segment, the pointer
// moves, and the canvas repaints what changed.
void BM_StrokeMove(benchmark::State& state) {
    Environment& e = environment();
    zoomTo(state.range(0) / 100.0);
    GmBrushing stroke(Qt::green);
    const double zoom = e.canvas->zoom();
    const QPoint origin(300, 300);
    stroke.brushing()->startAt(QPointF(origin) / zoom);
    int step = 0;
    for (auto _ : state) {
        const QPoint at = origin + QPoint(step % 800, (step / 800) % 400);
        step += 3;
        stroke.brushing()->lineTo(QPointF(at) / zoom);
        QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(e.canvas, &move);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StrokeMove)->Arg(25)->Arg(100)->Arg(400)->Arg(1600)->Unit(benchmark::kMillisecond);

// The engine changed the masks: the whole image is marked dirty and the
// visible part repainted.
void BM_WholeViewAfterCommand(benchmark::State& state) {
    Environment& e = environment();
    zoomTo(state.range(0) / 100.0);
    GmModel* const model = GmModel::instance();
    for (auto _ : state) {
        command_support::refreshStatuses(model);
        QApplication::processEvents();
    }
    benchmark::DoNotOptimize(e.canvas);
}
BENCHMARK(BM_WholeViewAfterCommand)
    ->Arg(25)
    ->Arg(100)
    ->Arg(400)
    ->Arg(1600)
    ->Unit(benchmark::kMillisecond);

// A star of `points` tips over `width` x `height` around its centre: rows of
// one to several runs that change from row to row.
QPolygonF star(double width, double height, int points) {
    QPolygonF outline;
    for (int i = 0; i < 2 * points; ++i) {
        const double angle = M_PI * i / points;
        const double reach = i % 2 ? 0.55 : 0.98;
        outline << QPointF(width / 2 * (1 + reach * std::cos(angle)),
                           height / 2 * (1 + reach * std::sin(angle)));
    }
    return outline;
}

// The preview asked for on a patch over most of the workspace copy (its mask
// already rendered, as after the cut-out's command).
void BM_PatchPreviewArea(benchmark::State& state) {
    Environment& e = environment();
    const QPolygonF outline = star(kWidth, kHeight, 12);
    auto* patch = new PolyRegion(outline.first());
    for (int i = 1; i < outline.size(); ++i)
        patch->polygon()->addPoint(outline.at(i));
    e.canvas->patchPreviewAvailableSlot(patch);
    for (auto _ : state) {
        e.canvas->patchPreviewAvailableSlot(patch);
        benchmark::DoNotOptimize(e.canvas->patchPreviewRegion());
    }
    e.canvas->dropPatchPreview();
    delete patch;
}
BENCHMARK(BM_PatchPreviewArea)->Unit(benchmark::kMillisecond);

// The area of a patch mask of `side` x `side` pixels at factor 2.
void BM_MaskRegion(benchmark::State& state) {
    environment();
    const int side = int(state.range(0));
    QImage mask(side, side, QImage::Format_Indexed8);
    mask.setColorCount(9);
    mask.fill(0);
    {
        QImage bits(side, side, QImage::Format_Grayscale8);
        bits.fill(0);
        QPainter painter(&bits);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(1, 1, 1));
        painter.drawPolygon(star(side, side, 12));
        painter.end();
        for (int y = 0; y < side; ++y)
            std::copy_n(bits.constScanLine(y), side, mask.scanLine(y));
    }
    mask.setOffset(QPoint(17, 9));
    for (auto _ : state)
        benchmark::DoNotOptimize(maskRegion(mask, 2));
}
BENCHMARK(BM_MaskRegion)->Arg(2000)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace
