// A window to paint in: the image view with the engine thread behind it and
// a keep brush (9 workspace pixels) current over an image.
//   paint_harness IMAGE           stays open, for painting by hand or for the
//                                 screenshot tool
//   paint_harness IMAGE --check   drags the real pointer across the canvas with
//                                 xdotool, waits for the engine, and checks that
//                                 the statuses along the stroke became keep and
//                                 nothing else changed, and that the screen shows
//                                 the keep mask over the image along the stroke
//                                 and the plain image away from it. Exit 0 when
//                                 all holds, else 1 with the reasons on stderr.
// Needs a real X server (run it under xvfb-run at 24 bits) and, for --check,
// xdotool. Settings go to a temporary folder.
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/zt_app_prefs.h"
#include "stand_in_brush.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include "harness_support.h"

#include <QApplication>
#include <QImage>
#include <QLineF>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QWindow>

#include <cmath>
#include <cstdio>

namespace {

using namespace harness;

int channelDistance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

// Drags the real pointer from `from` to `to` (global screen pixels) with the
// left button held, in small steps, while the event loop runs.
bool dragPointer(const QPoint& from, const QPoint& to) {
    QStringList args{"mousemove",
                     QString::number(from.x()),
                     QString::number(from.y()),
                     "sleep",
                     "0.3",
                     "mousedown",
                     "1",
                     "sleep",
                     "0.2"};
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        args << "mousemove" << QString::number(p.x()) << QString::number(p.y()) << "sleep"
             << "0.05";
    }
    args << "sleep"
         << "0.2"
         << "mouseup"
         << "1";
    return xdotool(args);
}

// Paints along a row of the image and checks statuses and screen.
int check(QMainWindow& window, GmZoomWidget* canvas, StandInBrush& brush) {
    Check result("paint_harness");
    GmModel* const model = GmModel::instance();
    const QImage before = model->statusArray()->statusImage().copy();
    result.expect(model->resolutionFactor() == 1, "the small image is worked at full size");

    canvas->setZoom(3, true);
    pause(300);
    const QPointF start(40, 75), end(160, 75); // image pixels
    const auto global = [&](const QPointF& p) {
        return canvas->mapToGlobal(canvas->imageRect().topLeft() + (p * canvas->zoom()).toPoint());
    };
    result.expect(dragPointer(global(start), global(end)), "xdotool could not drag the pointer");
    result.expect(waitFor([&] { return !brush.releases.isEmpty(); }, 5000),
                  "the brush never saw the release");
    result.expect(waitFor(engineIdle, 30000), "the engine did not finish the stroke");
    pause(300); // the repaint after the command

    // Statuses: keep within the brush's reach of the stroke, unchanged beyond.
    const QImage& after = model->statusArray()->statusImage();
    int wrong = 0;
    const QLineF stroke(start, end);
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QPointF centre(x + 0.5, y + 0.5);
            const double along = std::clamp(QPointF::dotProduct(centre - start, end - start) /
                                                QPointF::dotProduct(end - start, end - start),
                                            0.0, 1.0);
            const double distance = QLineF(centre, stroke.pointAt(along)).length();
            const int status = after.pixelIndex(x, y) & 0x0F;
            if (distance < 4) wrong += status != VkStatusKeep;
            if (distance > 6) wrong += after.pixelIndex(x, y) != before.pixelIndex(x, y);
        }
    result.expect(wrong == 0, QStringLiteral("%1 status pixels are wrong").arg(wrong));

    // The screen: the keep colour at the mask opacity over the grey on the
    // stroke, the grey away from it.
    const QImage screen = window.windowHandle()->screen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    const QImage overlay = model->statusArray()->displayImage();
    const QColor grey = model->sourceImage()->displayImage().pixelColor(100, 75);
    QImage expected(1, 1, QImage::Format_RGB32);
    expected.fill(grey);
    QPainter painter(&expected);
    painter.fillRect(0, 0, 1, 1, QColor::fromRgba(overlay.color(VkStatusKeep)));
    painter.end();
    const QColor masked = expected.pixelColor(0, 0);
    result.expect(masked != grey, "the keep colour is not visible over grey");
    for (const QPointF& on : {QPointF(70.5, 75.5), QPointF(130.5, 75.5)}) {
        const QColor seen = screen.pixelColor(global(on));
        result.expect(channelDistance(seen, masked) <= 3,
                      QStringLiteral("at (%1, %2) the screen shows %3, not the keep mask %4")
                          .arg(on.x())
                          .arg(on.y())
                          .arg(seen.name(), masked.name()));
    }
    const QColor away = screen.pixelColor(global(QPointF(100.5, 120.5)));
    result.expect(channelDistance(away, grey) <= 3,
                  QStringLiteral("away from the stroke the screen shows %1, not the grey %2")
                      .arg(away.name(), grey.name()));
    return result.failed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: paint_harness IMAGE [--check]\n");
        return 2;
    }
    const bool checking = argc > 2 && QByteArray(argv[2]) == "--check";
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settings;
    useTemporarySettings(settings);

    ZtAppPrefs prefs;
    VardekThread thread;
    QMainWindow window;
    auto* view = new ImageView(&window);
    GmTool::setImageView(view);
    window.setCentralWidget(view);
    window.addActions(view->tabActions());
    window.resize(900, 700);
    window.move(0, 0);
    window.show();

    if (const int failed = openOnEngine(QString::fromLocal8Bit(argv[1]), "paint_harness"))
        return failed;
    StandInBrush brush(9);
    brush.installSlot();

    int result = 0;
    if (checking) {
        waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000);
        pause(500);
        result = check(window, view->canvas(), brush);
    } else {
        result = app.exec();
    }
    closeOnEngine();
    return result;
}
