// A window to look at the colour workspace on a real document (the engine's
// session and status image): the canvas, the "Color Workspace" panel
// floating beside it, the colour sampler and the mask brushes in the tool bar,
// and the view options bar (mask opacity) below:
//   colour_workspace_harness [IMAGE] [--map] [--bits N] [--axes H,V]
//                            [--select LOW..HIGH] [--bucket keep|delete|blend|none]
// Drag in the display (Shift adds, Alt removes) or from the 20-pixel bands
// beside it, or pick colours from the picture with the sampler (S); the
// selected colours light up on the canvas, and a bucket turns exactly those
// pixels into marks. --select selects the values LOW to HIGH of the
// horizontal axis once the session has begun (as a drag would), and --bucket
// then clicks that bucket once the highlight is complete. The title counts
// the highlighted and the marked workspace pixels. The window sits at (0, 0)
// and the panel at (1000, 0); the positions of the display and the buckets
// are printed on standard output, for scripted drags and clicks.
#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "panels/view_options.h"
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"

#include "harness_support.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {

using Bx::colour::channel;

int highlightedPixels() {
    const QImage& highlight = GmModel::instance()->statusArray()->highlightImage();
    int count = 0;
    for (int y = 0; y < highlight.height(); ++y)
        for (int x = 0; x < highlight.width(); ++x)
            count += highlight.pixelIndex(x, y);
    return count;
}

// Workspace pixels of each class: keep, delete, blend.
QString markedPixels() {
    const QImage& status = GmModel::instance()->statusArray()->statusImage();
    int counts[3] = {0, 0, 0};
    for (int y = 0; y < status.height(); ++y) {
        const uchar* line = status.constScanLine(y);
        for (int x = 0; x < status.width(); ++x) {
            const uchar c = line[x] & 0x0F;
            counts[0] += c == VkStatusKeep;
            counts[1] += c == VkStatusDelete;
            counts[2] += c == VkStatusBlend;
        }
    }
    return QStringLiteral("keep %1, delete %2, blend %3")
        .arg(counts[0])
        .arg(counts[1])
        .arg(counts[2]);
}

void printPosition(const char* what, const QWidget* widget) {
    const QPoint corner = widget->mapToGlobal(QPoint(0, 0));
    std::printf("%s at %d,%d size %dx%d\n", what, corner.x(), corner.y(), widget->width(),
                widget->height());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir settingsFolder;
    harness::useTemporarySettings(settingsFolder);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool map = false;
    int bits = 5;
    int horizontal = -1, vertical = -1;
    int low = -1, high = -1;
    QString bucket;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--map")) {
            map = true;
        } else if (arg == QLatin1String("--bits") && i + 1 < argc) {
            bits = QString::fromLocal8Bit(argv[++i]).toInt();
        } else if (arg == QLatin1String("--axes") && i + 1 < argc) {
            const QStringList axes = QString::fromLocal8Bit(argv[++i]).split(',');
            if (axes.size() == 2) {
                horizontal = axes[0].toInt();
                vertical = axes[1].toInt();
            }
        } else if (arg == QLatin1String("--select") && i + 1 < argc) {
            const QStringList range = QString::fromLocal8Bit(argv[++i]).split(QStringLiteral(".."));
            if (range.size() == 2) {
                low = range[0].toInt();
                high = range[1].toInt();
            }
        } else if (arg == QLatin1String("--bucket") && i + 1 < argc) {
            bucket = QString::fromLocal8Bit(argv[++i]);
        } else {
            path = arg;
        }
    }

    VardekThread thread;
    GmModel* model = GmModel::instance();

    // Declared before the window it holds, so that the window goes first.
    QMainWindow mainWindow;
    QWidget window;
    mainWindow.setCentralWidget(&window);
    mainWindow.setWindowTitle("Colour workspace");
    QMenu* windowMenu = mainWindow.menuBar()->addMenu(QStringLiteral("&Window"));
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    layout->addWidget(GmTool::sharedOptionsParent());
    auto* view = new ImageView(&window);
    layout->addWidget(view, 1);
    auto* statusBar = new QStatusBar(&window);
    layout->addWidget(statusBar);
    auto* counts = new QLabel(statusBar);
    statusBar->addWidget(counts, 1);
    auto* viewOptions = new ViewOptions(statusBar);
    statusBar->addPermanentWidget(viewOptions);
    GmTool::setImageView(view);

    // The panel before the tools, so that the sampler registers with it.
    auto* panel = new ColourWorkspace(&mainWindow, windowMenu, QStringLiteral("C"));
    QObject::connect(viewOptions, &ViewOptions::opacityChanged, panel,
                     &ColourWorkspace::opacityChanged);
    QObject::connect(view, &ImageView::viewTabChanged, panel, &GmSubWindow::viewTabChangedSlot);

    NoTool none;
    auto brushes = createMaskBrushes(nullptr, &window, toolBar, nullptr);
    toolBar->addSeparator();
    ColourWorkspaceSelectTool sampler(nullptr, &window, nullptr, panel);
    toolBar->addAction(sampler.action());
    toolBar->addAction(panel->toggleViewAction());

    ColourDisplay* display = panel->colourDisplay_;
    if (map) panel->colourMapMode_->click();
    panel->colourBits_->setValue(bits);
    if (horizontal >= 0) panel->chooseAxis(Qt::Horizontal, horizontal);
    if (vertical >= 0) panel->chooseAxis(Qt::Vertical, vertical);

    mainWindow.resize(1000, 760);
    mainWindow.move(0, 0);
    mainWindow.show();
    panel->setFloating(true, true);
    panel->resize(560, 330);
    panel->move(1010, 0);
    panel->setWantedVisible(true);
    panel->updateVisibility();

    auto* source = new ZtSourceImage(path);
    if (!model->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage, source,
                          nullptr))
        delete source;

    // The scripted selection, once the session has begun, and the bucket once
    // its highlight is complete.
    QObject::connect(model, &GmModel::sessionHasBegun, &window, [=] {
        if (low < 0 || high < low) return;
        // Each value picked with Shift, as a drag over the range would leave it.
        const int h = display->histogram().horizontalAxis();
        for (int v = std::max(low, 0); v <= std::min(high, 255); ++v) {
            QColor colour;
            switch (h) {
            case channel::Red:
                colour = QColor(v, 0, 0);
                break;
            case channel::Green:
                colour = QColor(0, v, 0);
                break;
            case channel::Blue:
                colour = QColor(0, 0, v);
                break;
            default:
                colour = QColor::fromHsl(0, 0, v);
                break;
            }
            display->colourPicked(colour, Qt::ShiftModifier);
        }
        if (bucket.isEmpty()) return;
        QTimer::singleShot(1500, panel, [=] {
            QToolButton* target = bucket == QLatin1String("delete")  ? panel->toDrop_
                                  : bucket == QLatin1String("blend") ? panel->toBlend_
                                  : bucket == QLatin1String("none")  ? panel->toUnassigned_
                                                                     : panel->toKeep_;
            target->click();
        });
    });

    QTimer title;
    QObject::connect(&title, &QTimer::timeout, &window, [&] {
        counts->setText(QStringLiteral("%1 highlighted workspace pixels; %2")
                            .arg(highlightedPixels())
                            .arg(markedPixels()));
    });
    title.start(250);
    QTimer::singleShot(800, &window, [=] {
        printPosition("display", display);
        printPosition("keep bucket", panel->toKeep_);
        printPosition("delete bucket", panel->toDrop_);
        printPosition("canvas", view);
        std::fflush(stdout);
    });

    const int result = app.exec();
    model->closeImage();
    return result;
}
