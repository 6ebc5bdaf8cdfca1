// A window with the image view, the navigator panel docked beside it and
// the selection arrow, hand, zoom, rectangle patch and pipette tools on a
// tool bar, wired as the main window wires them, over a document on the real
// engine. The status line shows the colour the pipette picked last.
//   view_tools_harness IMAGE           stays open, for trying by hand or for
//                                      the screenshot tool
//   view_tools_harness IMAGE --check   with the real pointer and keyboard
//                                      (xdotool): draws a rectangle patch,
//                                      reshapes it with the arrow by its
//                                      corner, zooms in and out with clicks
//                                      and a band, pans with the hand and
//                                      picks a colour with the pipette,
//                                      checking after each step what the
//                                      model, the view and the navigator
//                                      show. Exit 0 when all holds, else 1
//                                      with the reasons on stderr.
// Needs a real X server (run it under xvfb-run at 24 bits) and, for --check,
// xdotool. Settings go to a temporary folder.
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/zt_app_prefs.h"
#include "shell/panel_framework/fake_dock.h"
#include "tools/arrow_tool.h"
#include "tools/no_tool.h"
#include "tools/pan_tool.h"
#include "tools/pipette_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/view_tool_wiring.h"
#include "tools/zoom_tool.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"
#include "workspace/navigator.h"
#include "workspace/navigator_window.h"
#include "workspace/navigator_wiring.h"
#include "workspace/zt_workspace.h"

#include "harness_support.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>
#include <cstdio>

namespace {

using namespace harness;

QStringList at(const QPoint& p) {
    return harness::at(p, "0.1");
}

// A press at `from`, a few steps on the way and a release at `to`.
QStringList dragSteps(const QPoint& from, const QPoint& to) {
    QStringList steps = at(from);
    steps << "mousedown"
          << "1";
    for (int i = 1; i <= 5; ++i)
        steps << at(from + (to - from) * i / 5);
    steps << "mouseup"
          << "1";
    return steps;
}

struct Tools {
    ArrowTool* arrow;
    PanTool* pan;
    ZoomTool* zoom;
    RegionRectTool* rectangle;
    PipetteTool* pipette;
};

class Harness : Check {
public:
    Harness(QToolBar* toolBar, ImageView* view, NavigatorWindow* panel, const Tools& tools,
            const QImage& pixels, const QColor* picked)
        : Check("view_tools_harness"), toolBar_(toolBar), view_(view), panel_(panel), tools_(tools),
          pixels_(pixels), picked_(picked) {}

    int check() {
        GmModel* const model = GmModel::instance();
        expectFollows("fitted");

        // A rectangle patch drawn with the real pointer.
        choose(tools_.rectangle);
        expect(xdotool(dragSteps(screen({100, 80}), screen({250, 200}))), "xdotool could not drag");
        expect(waitFor([&] { return model->regions().size() == 1; }, 3000),
               "the rectangle patch tool made no patch");
        if (model->regions().size() != 1) return 1;
        auto* patch = static_cast<RectRegion*>(model->regions().first()->asRegion());
        const QRectF drawn = patch->rectangle()->rect();
        expectNear(drawn.topLeft(), image(screen({100, 80})), "the patch's top-left");
        expectNear(drawn.bottomRight(), image(screen({250, 200})), "the patch's bottom-right");
        expect(waitFor(engineIdle, 30000), "the engine did not open the patch");

        // The arrow drags its bottom-right corner by (40, 30) screen pixels.
        choose(tools_.arrow);
        const QPoint corner = screen(drawn.bottomRight());
        const int editsBefore = patch->editCount();
        expect(xdotool(dragSteps(corner, corner + QPoint(40, 30))), "xdotool could not drag");
        const QRectF reshaped = patch->rectangle()->rect();
        expectNear(reshaped.topLeft(), drawn.topLeft(), "the reshaped patch's top-left");
        expectNear(reshaped.bottomRight(), image(corner + QPoint(40, 30)),
                   "the reshaped patch's bottom-right");
        expect(patch->editCount() == editsBefore + 1, "the reshaped patch was not changed once");
        expect(model->activeRegion() == patch, "the reshaped patch is not active");
        expect(waitFor(engineIdle, 30000), "the engine did not take the reshaped patch");

        // The zoom tool: a click zooms in a step, Alt and a click out again.
        choose(tools_.zoom);
        const double fitted = zoom();
        const QPoint middle = screen(QPointF(pixels_.width() / 2.0, pixels_.height() / 2.0));
        QStringList click = at(middle);
        click << "click"
              << "1";
        expect(xdotool(click), "xdotool could not click");
        expect(waitFor([&] { return std::abs(zoom() - fitted * 1.25) < 0.01; }, 3000),
               QStringLiteral("a zoom click from %1 gave %2").arg(fitted).arg(zoom()));
        expectFollows("after a zoom click");
        QStringList altClick = at(middle);
        altClick << "keydown"
                 << "alt"
                 << "click"
                 << "1"
                 << "keyup"
                 << "alt";
        expect(xdotool(altClick), "xdotool could not click with Alt");
        expect(waitFor([&] { return std::abs(zoom() - fitted) < 0.01; }, 3000),
               QStringLiteral("an Alt zoom click gave %1, not %2").arg(zoom()).arg(fitted));
        expectFollows("after an Alt zoom click");

        // A band around the patch: the view shows it.
        expect(xdotool(dragSteps(screen(drawn.topLeft()), screen(drawn.bottomRight()))),
               "xdotool could not drag a band");
        expect(waitFor([&] { return zoom() > fitted * 1.5; }, 3000),
               QStringLiteral("the band zoomed from %1 to %2 only").arg(fitted).arg(zoom()));
        pause(300);
        const QRectF shownBand = shown();
        expect(shownBand.contains(drawn.center()), "the view does not show the middle of the band");
        expectFollows("after a zoom band");

        // The hand drags the view by (-60, -40) screen pixels: it shows what
        // lay (60, 40) further on.
        choose(tools_.pan);
        const QPoint grab =
            view_->canvas()->mapToGlobal(view_->canvas()->visibleRegion().boundingRect().center());
        expect(xdotool(dragSteps(grab, grab - QPoint(60, 40))), "xdotool could not pan");
        const QPointF moved = (shown().topLeft() - shownBand.topLeft()) * zoom();
        expect(std::abs(moved.x() - 60) <= 2 && std::abs(moved.y() - 40) <= 2,
               QStringLiteral("dragging the hand by (-60, -40) scrolled by (%1, %2)")
                   .arg(moved.x())
                   .arg(moved.y()));
        expectFollows("after panning");

        // The pipette picks the colour under the pointer and hands the hand back.
        choose(tools_.pipette);
        const QPoint pick = grab + QPoint(-25, 15);
        const QPointF pickedAt = image(pick);
        QStringList pickClick = at(pick);
        pickClick << "click"
                  << "1";
        expect(xdotool(pickClick), "xdotool could not pick");
        const QColor expected =
            pixels_.pixelColor(int(std::floor(pickedAt.x())), int(std::floor(pickedAt.y())));
        expect(picked_->isValid() && picked_->rgb() == expected.rgb(),
               QStringLiteral("the pipette picked %1 at (%2, %3), where the image is %4")
                   .arg(picked_->name())
                   .arg(pickedAt.x())
                   .arg(pickedAt.y())
                   .arg(expected.name()));
        expect(GmTool::currentTool() == tools_.pan, "the pipette did not hand the hand back");
        if (!failed())
            std::printf("view_tools_harness: patch drawn and reshaped, zoomed in, out and to a "
                        "band, panned, and %s picked at (%.1f, %.1f)\n",
                        qPrintable(picked_->name()), pickedAt.x(), pickedAt.y());
        return failed() ? 1 : 0;
    }

private:
    double zoom() const { return view_->canvas()->zoom(); }
    QRectF shown() const { return view_->workspace()->displayedImageRect(); }
    // An image point on the screen, and back.
    QPoint screen(const QPointF& imagePoint) const {
        GmZoomWidget* const canvas = view_->canvas();
        return canvas->mapToGlobal(canvas->imageRect().topLeft() +
                                   (imagePoint * canvas->zoom()).toPoint());
    }
    QPointF image(const QPoint& onScreen) const {
        GmZoomWidget* const canvas = view_->canvas();
        return QPointF(canvas->mapFromGlobal(onScreen) - canvas->imageRect().topLeft()) /
               canvas->zoom();
    }

    // Clicks the tool's button on the tool bar.
    void choose(GmTool* tool) {
        QWidget* const button = toolBar_->widgetForAction(tool->action());
        if (!button) {
            expect(false, tool->name() + " has no button");
            return;
        }
        QStringList click = at(button->mapToGlobal(button->rect().center()));
        click << "click"
              << "1";
        expect(xdotool(click), "xdotool could not click a tool button");
        expect(waitFor([&] { return GmTool::currentTool() == tool; }, 3000),
               tool->name() + " did not become the current tool");
    }

    // Within two screen pixels.
    void expectNear(const QPointF& seen, const QPointF& wanted, const char* what) {
        const double slack = 2 / zoom() + 1;
        expect(std::abs(seen.x() - wanted.x()) <= slack && std::abs(seen.y() - wanted.y()) <= slack,
               QStringLiteral("%1 is (%2, %3), not (%4, %5)")
                   .arg(what)
                   .arg(seen.x())
                   .arg(seen.y())
                   .arg(wanted.x())
                   .arg(wanted.y()));
    }

    // The navigator's box is what the view shows and its zoom box the view's zoom.
    void expectFollows(const char* when) {
        const bool follows =
            waitFor([&] { return panel_->navigator()->viewRect() == shown(); }, 3000);
        expect(follows,
               QStringLiteral("%1: the navigator's box is not what the view shows").arg(when));
        expect(std::abs(panel_->zoomBox()->value() - zoom() * 100) < 0.01,
               QStringLiteral("%1: the zoom box shows %2 at zoom %3")
                   .arg(when)
                   .arg(panel_->zoomBox()->value())
                   .arg(zoom()));
    }

    QToolBar* toolBar_;
    ImageView* view_;
    NavigatorWindow* panel_;
    Tools tools_;
    QImage pixels_;
    const QColor* picked_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: view_tools_harness IMAGE [--check]\n");
        return 2;
    }
    const bool checking = argc > 2 && QByteArray(argv[2]) == "--check";
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settings;
    useTemporarySettings(settings);
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QImage pixels = QImage(path).convertToFormat(QImage::Format_RGB32);

    ZtAppPrefs prefs;
    VardekThread thread;
    QWidget window;
    window.setWindowTitle(QStringLiteral("View tools"));
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    layout->addWidget(GmTool::sharedOptionsParent());
    const auto [splitter, view, dock] = addViewAndColumn(&window, layout);
    auto* status = new QLabel(QStringLiteral("Pick a colour with the pipette"), &window);
    layout->addWidget(status);
    GmTool::setImageView(view);

    auto* panel = new NavigatorWindow(&window, &window, QStringLiteral("F6"));
    dockPanel(panel, dock);

    NoTool none;
    ArrowTool arrow(nullptr, toolBar);
    PanTool pan(nullptr, toolBar);
    ZoomTool zoom(nullptr, toolBar);
    RegionRectTool rectangle(nullptr, toolBar);
    PipetteTool pipette(QStringLiteral("Pipette"), QStringLiteral("Pipette"), nullptr, toolBar);
    connectNavigatorToView(panel, view);
    connectViewTools(view, panel, &arrow, &pan, &zoom);

    addZoomCommands(toolBar, panel);
    window.addActions(view->tabActions());

    QColor picked;
    QObject::connect(&pipette, &PipetteTool::pipetteToolColourSelected, &window,
                     [&picked, status](const QColor& colour) {
                         picked = colour;
                         status->setText(QStringLiteral("Picked %1 (red %2, green %3, blue %4)")
                                             .arg(colour.name())
                                             .arg(colour.red())
                                             .arg(colour.green())
                                             .arg(colour.blue()));
                     });

    window.resize(1200, 800);
    window.move(0, 0);
    window.show();
    panel->updateVisibility();
    splitter->setSizes({900, 300});

    if (const int failed = openOnEngine(path, "view_tools_harness")) return failed;
    arrow.installSlot();

    // A private X server has no window manager to give the window the keyboard.
    waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000);
    QApplication::setActiveWindow(&window);
    int result = 0;
    if (checking) {
        pause(800);
        result = Harness(toolBar, view, panel, {&arrow, &pan, &zoom, &rectangle, &pipette}, pixels,
                         &picked)
                     .check();
    } else {
        result = app.exec();
    }
    closeOnEngine();
    return result;
}
