// A window with the image view and the navigator panel docked beside it,
// wired as the main window wires them, with the zoom commands on the
// toolbar (Ctrl++ and Ctrl+- step through the navigator).
//   navigator_harness IMAGE           stays open, for trying by hand or for
//                                     the screenshot tool
//   navigator_harness IMAGE --check   zooms in with the keys, drags the
//                                     navigator's box, scrolls the view with
//                                     the wheel and clicks beside the box, all
//                                     with the real pointer and keyboard
//                                     (xdotool), and checks after each step
//                                     that the box shows what the view shows,
//                                     in the navigator and on the screen. Exit
//                                     0 when all holds, else 1 with the reasons
//                                     on stderr.
// Needs a real X server (run it under xvfb-run at 24 bits) and, for --check,
// xdotool. The check reads red from the screen, so give it an image without
// red (tests/data/flat_grey_200x150.png).
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/panel_framework/fake_dock.h"
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
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using namespace harness;

QStringList at(const QPoint& p) {
    return harness::at(p, "0.2");
}

class Harness : Check {
public:
    Harness(ImageView* view, NavigatorWindow* panel)
        : Check("navigator_harness"), view_(view), panel_(panel) {}

    int check() {
        Navigator* const navigator = panel_->navigator();
        expectFollows("fitted");
        expect(navigator->viewRect() == QRectF(0, 0, 0, 0),
               "the fitted image does not show whole in the navigator");

        const double fitted = view_->canvas()->zoom();
        expect(xdotool({"key", "--delay", "200", "ctrl+plus", "ctrl+plus", "ctrl+plus"}),
               "xdotool could not type");
        waitFor([&] { return view_->canvas()->zoom() > fitted * 1.9; }, 3000);
        expect(std::abs(view_->canvas()->zoom() - fitted * 1.25 * 1.25 * 1.25) < 0.02,
               QStringLiteral("three zoom steps from %1 gave %2")
                   .arg(fitted)
                   .arg(view_->canvas()->zoom()));
        expectFollows("zoomed in");

        // Drag the box by (15, 10) thumbnail pixels: the view scrolls by that
        // much over the scale.
        const QRectF beforeDrag = shown();
        const QPoint grab = global(navigator->thumbRect(navigator->viewRect()).center());
        QStringList drag = at(grab);
        drag << "mousedown"
             << "1";
        for (int i = 1; i <= 5; ++i)
            drag << at(grab + QPoint(3 * i, 2 * i));
        drag << "mouseup"
             << "1";
        expect(xdotool(drag), "xdotool could not drag");
        const QPointF moved = shown().topLeft() - beforeDrag.topLeft();
        const double scale = navigator->scale();
        expect(std::abs(moved.x() - 15 / scale) <= 1 / scale + 1 &&
                   std::abs(moved.y() - 10 / scale) <= 1 / scale + 1,
               QStringLiteral("dragging the box by (15, 10) at scale %1 moved the view by (%2, %3)")
                   .arg(scale)
                   .arg(moved.x())
                   .arg(moved.y()));
        expectFollows("after dragging the box");

        // The wheel over the canvas scrolls the view down.
        const QRectF beforeWheel = shown();
        QStringList wheel = at(
            view_->canvas()->mapToGlobal(view_->canvas()->visibleRegion().boundingRect().center()));
        wheel << "click"
              << "5";
        expect(xdotool(wheel), "xdotool could not turn the wheel");
        expect(shown().y() > beforeWheel.y(), "the wheel did not scroll the view");
        expectFollows("after the wheel");

        // A click near the thumbnail's top-left corner centres the view there.
        QStringList click = at(global(navigator->offset() + QPoint(1, 1)));
        click << "click"
              << "1";
        expect(xdotool(click), "xdotool could not click");
        expect(shown().topLeft() == QPointF(0, 0),
               QStringLiteral("a click at the corner shows (%1, %2) at the top-left")
                   .arg(shown().x())
                   .arg(shown().y()));
        expectFollows("after the click beside the box");
        return failed() ? 1 : 0;
    }

private:
    QRectF shown() const { return view_->workspace()->displayedImageRect(); }
    QPoint global(const QPoint& inNavigator) const {
        return panel_->navigator()->mapToGlobal(inNavigator);
    }

    // The box is what the view shows, the zoom box shows the view's zoom, and
    // the screen shows the red box there.
    void expectFollows(const char* when) {
        pause(300);
        Navigator* const navigator = panel_->navigator();
        expect(navigator->viewRect() == shown(),
               QStringLiteral("%1: the box is not what the view shows").arg(when));
        expect(std::abs(panel_->zoomBox()->value() - view_->canvas()->zoom() * 100) < 0.01,
               QStringLiteral("%1: the zoom box shows %2 at zoom %3")
                   .arg(when)
                   .arg(panel_->zoomBox()->value())
                   .arg(view_->canvas()->zoom()));
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QRect box = navigator->viewRect().isNull()
                              ? navigator->thumbRect(QRectF(QPointF(0, 0), QSizeF(sourceSize())))
                              : navigator->thumbRect(navigator->viewRect());
        const QPoint middles[] = {
            QPoint(box.center().x(), box.top()), QPoint(box.center().x(), box.bottom() + 1),
            QPoint(box.left(), box.center().y()), QPoint(box.right() + 1, box.center().y())};
        for (const QPoint& middle : middles) {
            // The line is drawn on the box's outermost pixels, held within the
            // thumbnail: a red pixel lies within two pixels of the boundary.
            bool red = false;
            for (int dx = -2; dx <= 1; ++dx)
                for (int dy = -2; dy <= 1; ++dy) {
                    const QColor seen = screen.pixelColor(global(middle + QPoint(dx, dy)));
                    red = red || seen.red() - std::max(seen.green(), seen.blue()) > 60;
                }
            expect(red, QStringLiteral("%1: no red box on the screen at (%2, %3) of the navigator")
                            .arg(when)
                            .arg(middle.x())
                            .arg(middle.y()));
        }
    }

    QSize sourceSize() const {
        ZtSourceImage* const source = GmModel::instance()->sourceImage();
        return QSize(source->width(), source->height());
    }

    ImageView* view_;
    NavigatorWindow* panel_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: navigator_harness IMAGE [--check]\n");
        return 2;
    }
    const bool checking = argc > 2 && QByteArray(argv[2]) == "--check";
    auto source = std::make_unique<ZtSourceImage>(QString::fromLocal8Bit(argv[1]));
    if (!source->isValid()) {
        std::fprintf(stderr, "navigator_harness: cannot open %s\n", argv[1]);
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Navigator"));
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    const auto [splitter, view, dock] = addViewAndColumn(&window, layout);

    auto* panel = new NavigatorWindow(&window, &window, QStringLiteral("F6"));
    dockPanel(panel, dock);
    connectNavigatorToView(panel, view);

    addZoomCommands(toolBar, panel);
    QAction* fit = toolBar->addAction(QStringLiteral("Fit Screen"));
    QObject::connect(fit, &QAction::triggered, view, &ImageView::fitImageOnScreenSlot);
    QAction* actual = toolBar->addAction(QStringLiteral("Actual Pixels"));
    QObject::connect(actual, &QAction::triggered, view, &ImageView::zoomTo100PercentSlot);
    window.addActions(view->tabActions());

    window.resize(1200, 800);
    window.move(0, 0);
    window.show();
    panel->updateVisibility();
    splitter->setSizes({900, 300});

    GmModel* const model = GmModel::instance();
    model->setSourceImage(source.get());
    emit model->tellImageChanged(source.get());

    // A private X server has no window manager to give the window the keyboard.
    waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000);
    QApplication::setActiveWindow(&window);
    int result = 0;
    if (checking) {
        pause(800);
        result = Harness(view, panel).check();
    } else {
        result = app.exec();
    }
    model->setSourceImage(nullptr);
    return result;
}
