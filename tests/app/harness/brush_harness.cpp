// A window to look at the mask brushes, the clean tool and their options,
// the view options bar and the background picker, with a document on the
// real engine (analysed, so every brush can be used):
//   brush_harness [IMAGE] [--paint]
// With --paint each brush paints one stroke across the image through the
// tool's mouse operations, one after the other; the window title counts the
// marked workspace pixels as the engine writes them.
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
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
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

#include <memory>

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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool paint = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--paint"))
            paint = true;
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

    // The brush of each step paints once the engine has finished the one before.
    int step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &window, [&] {
        window.setWindowTitle(
            QStringLiteral("Brushes: %1 marked workspace pixels").arg(markedPixels()));
        if (!paint || thread.isBusy() || thread.queuedCount() > 0 || !model->sourceImage() ||
            !model->imageSmeg()->hasSegmentation())
            return;
        if (step == int(brushes.size())) {
            driver.stop();
            return;
        }
        GmTool* brush = brushes[size_t(step)].get();
        brush->installSlot();
        const double height = model->sourceImage()->height();
        paintStroke(brush, model->sourceImage()->width(),
                    height * (step + 1) / (brushes.size() + 1));
        ++step;
    });
    driver.start(100);
    if (!paint) none.installSlot();

    const int result = app.exec();
    model->closeImage();
    return result;
}
