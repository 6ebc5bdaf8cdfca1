// A window to look at the edge-finding, edge-blending and patch-properties
// panels on a document on the real engine (the edge-finding panel analyses
// it), as the main window will hold them:
//   panels_harness [IMAGE] [--patch] [--advanced] [--shown] [--empty]
// F7, F8 and F9 show and hide the three panels (the first two docked beside
// the view, the third floating); F5 the tip panel. Only the tip panel shows
// at first, all docked ones with --shown. With --patch a rectangle
// patch is drawn once the image is analysed, which brings up "Patch
// Properties"; with --advanced the edge finder shows its advanced options.
// The view options' object-edge box follows the panels' sensitivity as the
// main window's would. Settings go to a temporary folder.
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "engine_bridge/vardek_thread.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "model/zt_app_prefs.h"
#include "panels/edge_detection_options.h"
#include "panels/image_blending_window.h"
#include "panels/image_edge_finder.h"
#include "panels/regional_properties.h"
#include "panels/tip_window.h"
#include "panels/view_options.h"
#include "shell/panel_framework/fake_dock.h"
#include "tools/no_tool.h"
#include "tools/region_rect_tool.h"
#include "workspace/image_view.h"

#include "harness_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir settingsFolder;
    harness::useTemporarySettings(settingsFolder);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool patch = false;
    bool advanced = false;
    bool shown = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--patch"))
            patch = true;
        else if (arg == QLatin1String("--advanced"))
            advanced = true;
        else if (arg == QLatin1String("--shown"))
            shown = true;
        else if (arg == QLatin1String("--empty"))
            path.clear();
        else
            path = arg;
    }

    ZtAppPrefs prefs;
    VardekThread thread;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Panels"));
    auto* toolBar = window.addToolBar(QStringLiteral("Tools"));
    auto* splitter = new QSplitter(&window);
    window.setCentralWidget(splitter);
    auto* view = new ImageView(splitter);
    splitter->addWidget(view);
    auto* dock = new FakeDock(splitter);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    auto* viewOptions = new ViewOptions(window.statusBar());
    window.statusBar()->addPermanentWidget(viewOptions);
    GmTool::setImageView(view);

    // The panels as the main window builds them.
    auto* tip = new TipWindow(&window, QStringLiteral("F5"), &window);
    auto* edgeFinder = new ImageEdgeFinder(&window, QStringLiteral("F7"), &window);
    auto* blending = new ImageBlendingWindow(&window, QStringLiteral("F8"), &window);
    auto* properties = new RegionalProperties(&window, QStringLiteral("F9"), &window);
    for (GmSubWindow* panel :
         {static_cast<GmSubWindow*>(edgeFinder), static_cast<GmSubWindow*>(blending),
          static_cast<GmSubWindow*>(tip)}) {
        panel->setDock(dock);
        panel->setFloating(false, true);
        panel->setWantedVisible(shown || panel == tip);
    }
    edgeFinder->setWidthLocked(true);
    blending->setWidthLocked(true);
    properties->setFloating(true, true);
    properties->setDefaultPosition(QPoint(120, 160));
    for (GmSubWindow* panel :
         {static_cast<GmSubWindow*>(edgeFinder), static_cast<GmSubWindow*>(blending),
          static_cast<GmSubWindow*>(tip), static_cast<GmSubWindow*>(properties)})
        QObject::connect(view, &ImageView::viewTabChanged, panel, &GmSubWindow::viewTabChangedSlot);
    if (advanced) edgeFinder->options()->toggleAdvanced();

    NoTool none;
    RegionRectTool rectanglePatch(nullptr, &window, toolBar, nullptr);
    QObject::connect(&rectanglePatch, &GmTool::userCreatedRegion, properties,
                     &GmSubWindow::userShow);

    GmModel* model = GmModel::instance();
    QObject::connect(model, &GmModel::resolutionChanged, viewOptions,
                     &ViewOptions::syncResolutionSlot);
    QObject::connect(model, &GmModel::resolutionChanged, properties,
                     &RegionalProperties::resolutionChangedSlot);
    // The object-edge box as the main window enables it.
    const auto updateShowEdges = [=] {
        GmRegion* active = model->activeRegion();
        const bool own = active && active->smeg().isChecked();
        viewOptions->setShowVectorEdgesEnabled(
            model->sourceImage() &&
            (own ? properties->canShowVectorEdges() : edgeFinder->canShowVectorEdges()));
    };
    QObject::connect(model, &GmModel::smegChanged, &window, updateShowEdges);
    QObject::connect(model, &GmModel::activeRegionChanged, &window, updateShowEdges);
    QObject::connect(model, &GmModel::tellImageChanged, &window, updateShowEdges);

    FileHandler files;
    setDialogParentHook([&window] { return &window; });
    setStatusMessageHook([&window](const QString& text, int timeoutMs) {
        window.statusBar()->showMessage(text, timeoutMs);
    });

    window.resize(1280, 820);
    window.show();
    splitter->setSizes({900, 380});
    for (GmSubWindow* panel : {static_cast<GmSubWindow*>(edgeFinder),
                               static_cast<GmSubWindow*>(blending), static_cast<GmSubWindow*>(tip)})
        panel->updateVisibility();
    dock->childVisibilityChanged();

    if (!path.isEmpty()) files.loadImage(path);

    // Once the image is analysed: the patch, drawn with the rectangle patch tool.
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &window, [&] {
        if (!patch || thread.isBusy() || thread.queuedCount() > 0 || !model->sourceImage() ||
            !model->imageSmeg()->hasSegmentation())
            return;
        patch = false;
        rectanglePatch.installSlot();
        const double w = model->sourceImage()->width(), h = model->sourceImage()->height();
        harness::drag(&rectanglePatch, QPointF(w * 0.55, h * 0.2), QPointF(w * 0.9, h * 0.75));
    });
    driver.start(100);

    const int result = app.exec();
    model->closeImage();
    setStatusMessageHook(nullptr);
    setDialogParentHook(nullptr);
    return result;
}
