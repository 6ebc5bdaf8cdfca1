// A window to look at the mask brushes, the clean tool, the forced-edge,
// patch and cut-out preview tools and their options, the view options bar
// and the background picker, with a document on the real engine (analysed,
// so every brush can be used):
//   brush_harness [IMAGE] [--paint] [--patches]
// With --paint each brush paints one stroke across the image through the
// tool's mouse operations, one after the other; the window title counts the
// marked workspace pixels as the engine writes them. With --patches a keep
// and a delete stroke are painted, then the forced-edge tool draws an edge,
// the polygon, rectangle and brush patch tools each draw a patch, and the
// preview tool shows the cut-out of a rectangle over the marks.
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "panels/background_picker.h"
#include "panels/tip_window.h"
#include "panels/view_options.h"
#include "shell/panel_framework/fake_dock.h"
#include "tools/clean_tool.h"
#include "tools/forced_edge_tool.h"
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
#include "tools/region_brush_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/test_render_tool.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <vector>

namespace {

int markedPixels() {
    const QImage& status = GmModel::instance()->statusArray()->statusImage();
    int count = 0;
    for (int y = 0; y < status.height(); ++y) {
        const uchar* line = status.constScanLine(y);
        for (int x = 0; x < status.width(); ++x)
            count += (line[x] & 0x0E) != 0;
    }
    return count;
}

// One stroke across the image at height `y`, as the canvas would deliver it.
void paintStroke(GmTool* tool, double width, double y) {
    const QPointF from(width * 0.1, y), to(width * 0.9, y);
    QMouseEvent press(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    tool->trackButtonState(&press);
    tool->mousePress(&press, from);
    QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    tool->trackButtonState(&move);
    tool->mouseMove(&move, to);
    QMouseEvent release(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    tool->trackButtonState(&release);
    tool->mouseRelease(&release, to);
}

// One mouse event as the canvas would deliver it.
void sendMouse(GmTool* tool, QEvent::Type type, QPointF point, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, button, held, Qt::NoModifier);
    tool->trackButtonState(&event);
    switch (type) {
    case QEvent::MouseButtonPress:
        tool->mousePress(&event, point);
        break;
    case QEvent::MouseButtonRelease:
        tool->mouseRelease(&event, point);
        break;
    case QEvent::MouseButtonDblClick:
        tool->mouseDoubleClick(&event, point);
        break;
    default:
        tool->mouseMove(&event, point);
        break;
    }
}

// Clicks along `points`, the mouse moving to each first, and a double click
// on the last: an outline of the polygon tools.
void drawPolygon(GmTool* tool, const std::vector<QPointF>& points) {
    for (size_t i = 0; i < points.size(); ++i) {
        sendMouse(tool, QEvent::MouseMove, points[i], Qt::NoButton);
        const bool last = i + 1 == points.size();
        if (!last) sendMouse(tool, QEvent::MouseButtonPress, points[i], Qt::LeftButton);
        sendMouse(tool, QEvent::MouseButtonRelease, points[i], Qt::NoButton);
        if (last) {
            sendMouse(tool, QEvent::MouseButtonDblClick, points[i], Qt::LeftButton);
            sendMouse(tool, QEvent::MouseButtonRelease, points[i], Qt::NoButton);
        }
    }
}

// A drag from `from` to `to` in a few moves.
void drag(GmTool* tool, QPointF from, QPointF to) {
    sendMouse(tool, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        sendMouse(tool, QEvent::MouseMove, from + (to - from) * step / 4.0, Qt::LeftButton);
    sendMouse(tool, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool paint = false;
    bool patches = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--paint"))
            paint = true;
        else if (arg == QLatin1String("--patches"))
            patches = true;
        else
            path = arg;
    }

    VardekThread thread;
    QWidget window;
    window.setWindowTitle("Brushes");
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    auto* optionsRow = new QHBoxLayout;
    layout->addLayout(optionsRow);
    optionsRow->addWidget(GmTool::sharedOptionsParent());
    optionsRow->addStretch();
    optionsRow->addWidget(new BackgroundPicker(&window));
    auto* splitter = new QSplitter(&window);
    layout->addWidget(splitter, 1);
    auto* view = new ImageView(&window);
    splitter->addWidget(view);
    auto* dock = new FakeDock(splitter);
    auto* statusBar = new QStatusBar(&window);
    layout->addWidget(statusBar);
    auto* viewOptions = new ViewOptions(statusBar);
    statusBar->addPermanentWidget(viewOptions);
    GmTool::setImageView(view);

    auto* tip = new TipWindow(&window, "Ctrl+T", &window);
    tip->setDock(dock);
    tip->setFloating(false, false);
    tip->setWantedVisible(true);

    NoTool none;
    auto brushes = createMaskBrushes(nullptr, &window, toolBar, nullptr);
    toolBar->addSeparator();
    CleanTool clean(nullptr, &window, toolBar, nullptr);
    toolBar->addSeparator();
    ForcedEdgeTool edgeTool(nullptr, &window, toolBar, nullptr);
    RegionBrushTool patchBrush(nullptr, &window, toolBar, nullptr);
    RegionPolyTool polygonPatch(nullptr, &window, toolBar, nullptr);
    RegionRectTool rectanglePatch(nullptr, &window, toolBar, nullptr);
    TestRenderTool preview(nullptr, &window, toolBar, nullptr);

    window.resize(1200, 760);
    window.show();
    splitter->setSizes({840, 320});
    tip->updateVisibility();

    GmModel* model = GmModel::instance();
    QObject::connect(model, &GmModel::resolutionChanged, viewOptions,
                     &ViewOptions::syncResolutionSlot);
    auto* source = new ZtSourceImage(path);
    if (!model->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage, source,
                          nullptr))
        delete source;
    viewOptions->setShowVectorEdgesEnabled(model->sourceImage() != nullptr);
    QObject::connect(model, &GmModel::sessionHasBegun, &window,
                     [model] { model->imageSmeg()->analyse(); });

    // Each step runs once the engine has finished the one before: with
    // --paint one stroke of each brush, with --patches the patch tools.
    std::vector<std::function<void()>> steps;
    const auto size = [model] {
        return QSizeF(model->sourceImage()->width(), model->sourceImage()->height());
    };
    const auto at = [&size](double x, double y) {
        return QPointF(size().width() * x, size().height() * y);
    };
    if (paint)
        for (size_t i = 0; i < brushes.size(); ++i)
            steps.push_back([&, i] {
                GmTool* brush = brushes[i].get();
                brush->installSlot();
                paintStroke(brush, size().width(),
                            size().height() * double(i + 1) / double(brushes.size() + 1));
            });
    if (patches) {
        using Kind = MaskBrushTool::Kind;
        steps.push_back([&] {
            GmTool* keep = brushes[size_t(Kind::KeepExact)].get();
            keep->installSlot();
            drag(keep, at(0.1, 0.45), at(0.45, 0.45));
        });
        steps.push_back([&] {
            GmTool* remove = brushes[size_t(Kind::DeleteExact)].get();
            remove->installSlot();
            drag(remove, at(0.1, 0.7), at(0.45, 0.7));
        });
        steps.push_back([&] {
            edgeTool.installSlot();
            drawPolygon(&edgeTool, {at(0.05, 0.1), at(0.2, 0.25), at(0.3, 0.1), at(0.45, 0.2)});
        });
        steps.push_back([&] {
            polygonPatch.installSlot();
            drawPolygon(&polygonPatch,
                        {at(0.55, 0.1), at(0.9, 0.15), at(0.85, 0.4), at(0.6, 0.35)});
        });
        steps.push_back([&] {
            rectanglePatch.installSlot();
            drag(&rectanglePatch, at(0.55, 0.5), at(0.75, 0.9));
        });
        steps.push_back([&] {
            patchBrush.installSlot();
            BrushingTool::setBrushSize(std::max(4, model->workspaceImage().height() / 15));
            drag(&patchBrush, at(0.8, 0.55), at(0.92, 0.85));
        });
        steps.push_back([&] {
            preview.installSlot();
            drag(&preview, at(0.05, 0.35), at(0.4, 0.8));
        });
    }
    size_t step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &window, [&] {
        window.setWindowTitle(
            QStringLiteral("Brushes: %1 marked workspace pixels").arg(markedPixels()));
        if (thread.isBusy() || thread.queuedCount() > 0 || !model->sourceImage() ||
            !model->imageSmeg()->hasSegmentation())
            return;
        if (step == steps.size()) {
            driver.stop();
            return;
        }
        steps[step++]();
    });
    driver.start(100);
    if (steps.empty()) none.installSlot();

    const int result = app.exec();
    model->closeImage();
    return result;
}
