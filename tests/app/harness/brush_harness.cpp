// A window to look at the mask brushes, the clean tool, the forced-edge,
// patch and cut-out preview tools and their options, the view options bar,
// the background picker and the tool palette, with a document on the real
// engine (analysed, so every brush can be used):
//   brush_harness [IMAGE] [--paint] [--patches] [--empty]
// With --paint each brush paints one stroke across the image through the
// tool's mouse operations, one after the other; the window title counts the
// marked workspace pixels as the engine writes them. With --patches a keep
// and a delete stroke are painted, then the forced-edge tool draws an edge,
// the polygon, rectangle and brush patch tools each draw a patch, and the
// preview tool shows the cut-out of a rectangle over the marks. With --empty
// the window starts without an image. The File menu opens, exports and saves
// through the file handler (Ctrl+O open, Ctrl+Shift+E export as, Ctrl+Shift+S
// save project as, Ctrl+W close, Ctrl+U create the cut-out); settings go to a
// temporary folder.
#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/view_hooks.h"
#include "model/segmentation_stuff.h"
#include "panels/background_picker.h"
#include "panels/tip_window.h"
#include "panels/tool_palette.h"
#include "panels/view_options.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/services/prompt_service.h"
#include "tools/clean_tool.h"
#include "tools/forced_edge_tool.h"
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
#include "tools/region_brush_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/test_render_tool.h"
#include "workspace/image_view.h"

#include "harness_support.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <vector>

namespace {

using harness::drag;
using harness::sendMouse;

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

// The recent files or projects as entries of `menu`, each opening its file through `open`.
void fillRecentMenu(QMenu* menu, const QStringList& files,
                    const std::function<void(const QString&)>& open) {
    menu->clear();
    menu->setEnabled(!files.isEmpty());
    for (const QString& file : files)
        QObject::connect(menu->addAction(file), &QAction::triggered, menu, [open, file] {
            // Queued: the menu closes before the document is replaced.
            QTimer::singleShot(0, [open, file] { open(file); });
        });
}

// The File menu (and Create Cut-out) on the file handler.
void addFileMenu(QMainWindow* window, FileHandler* files) {
    QMenu* menu = window->menuBar()->addMenu(QStringLiteral("&File"));
    auto add = [menu](const QString& text, const QString& shortcut, auto slot) {
        QAction* action = menu->addAction(text);
        if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
        QObject::connect(action, &QAction::triggered, menu, slot);
    };
    add(QStringLiteral("&Open..."), QStringLiteral("Ctrl+O"), [files] { files->fileOpenSlot(); });
    add(QStringLiteral("&Close"), QStringLiteral("Ctrl+W"), [files] { files->fileCloseSlot(); });
    add(QStringLiteral("&Save"), QStringLiteral("Ctrl+S"), [files] { files->fileSaveSlot(); });
    add(QStringLiteral("Save &As..."), QStringLiteral("Ctrl+Shift+E"),
        [files] { files->fileSaveAsSlot(); });
    menu->addSeparator();
    add(QStringLiteral("&Load Project..."), QStringLiteral("Ctrl+Shift+O"),
        [files] { files->projectLoadSlot(); });
    add(QStringLiteral("Save &Project"), QString(), [files] { files->projectSaveSlot(); });
    add(QStringLiteral("Sa&ve Project As..."), QStringLiteral("Ctrl+Shift+S"),
        [files] { files->projectSaveAsSlot(); });
    add(QStringLiteral("Rever&t Project"), QString(), [files] { files->projectRevertSlot(); });
    add(QStringLiteral("Save &Trimap"), QString(), [files] { files->saveTrimapSlot(); });
    menu->addSeparator();
    QMenu* recentFiles = menu->addMenu(QStringLiteral("Recent &Files"));
    QMenu* recentProjects = menu->addMenu(QStringLiteral("Recent Pro&jects"));
    // Both ask before the document is replaced.
    auto openFile = [files](const QString& file) { files->cutoutRecentSlot(file); };
    auto openProject = [files](const QString& file) { files->loadFile(file); };
    fillRecentMenu(recentFiles, files->recentFiles(), openFile);
    fillRecentMenu(recentProjects, files->recentProjects(), openProject);
    QObject::connect(files, &FileHandler::recentFilesChanged, recentFiles,
                     [=](const QStringList& list) { fillRecentMenu(recentFiles, list, openFile); });
    QObject::connect(
        files, &FileHandler::recentProjectsChanged, recentProjects,
        [=](const QStringList& list) { fillRecentMenu(recentProjects, list, openProject); });
    menu->addSeparator();
    add(QStringLiteral("E&xit"), QStringLiteral("Ctrl+Q"), [window] { window->close(); });

    QMenu* image = window->menuBar()->addMenu(QStringLiteral("&Image"));
    QAction* cutout = image->addAction(QStringLiteral("Create Cu&t-Out"));
    cutout->setShortcut(QKeySequence(QStringLiteral("Ctrl+U")));
    QObject::connect(cutout, &QAction::triggered, GmModel::instance(), &GmModel::generateMaskSlot);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir settingsFolder;
    harness::useTemporarySettings(settingsFolder);
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool paint = false;
    bool patches = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--paint"))
            paint = true;
        else if (arg == QLatin1String("--patches"))
            patches = true;
        else if (arg == QLatin1String("--empty"))
            path.clear();
        else
            path = arg;
    }

    VardekThread thread;
    // Declared before the window it holds, so that the window goes first.
    QMainWindow mainWindow;
    QWidget window;
    mainWindow.setCentralWidget(&window);
    window.setWindowTitle("Brushes");
    auto* layout = new QVBoxLayout(&window);
    auto* toolBar = new QToolBar(&window);
    layout->addWidget(toolBar);
    auto* optionsRow = new QHBoxLayout;
    layout->addLayout(optionsRow);
    optionsRow->addWidget(GmTool::sharedOptionsParent());
    optionsRow->addStretch();
    optionsRow->addWidget(new BackgroundPicker(&window));
    const harness::ViewAndColumn column = harness::addViewAndColumn(&window, layout);
    ImageView* const view = column.view;
    auto* statusBar = new QStatusBar(&window);
    layout->addWidget(statusBar);
    auto* markedLabel = new QLabel(statusBar);
    statusBar->addPermanentWidget(markedLabel);
    auto* viewOptions = new ViewOptions(statusBar);
    statusBar->addPermanentWidget(viewOptions);
    GmTool::setImageView(view);

    auto* tip = new TipWindow(&window, "Ctrl+T", &window);
    harness::dockPanel(tip, column.dock);

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

    auto* palette = new ToolPalette(&mainWindow, &mainWindow, QStringLiteral("Ctrl+Shift+T"));
    for (const auto& brush : brushes)
        palette->addActionButton(brush->action());
    palette->addSeparator();
    palette->addActionButton(clean.action());

    FileHandler files;
    addFileMenu(&mainWindow, &files);
    setDialogParentHook([&mainWindow] { return &mainWindow; });
    setStatusMessageHook([statusBar](const QString& text, int timeoutMs) {
        statusBar->showMessage(text, timeoutMs);
    });
    setRaiseWindowHook([&mainWindow] {
        if (mainWindow.isMinimized()) mainWindow.showNormal();
        mainWindow.activateWindow();
    });
    setShowViewTabHook([view](int tab) { view->ensureTab(tab, ImageView::ViewTab(tab)); });
    // Nothing is lost when nothing changed since the document was opened,
    // its cut-out exported or its project saved or loaded.
    setConfirmDiscardHook([&](const QString& title) {
        const int count = thread.changeCount();
        if (GmModel::instance()->isUnmodified() || count == files.cutoutSavedAt() ||
            count == files.projectSavedAt())
            return true;
        return promptService()->message(
                   &mainWindow, PromptService::Kind::Critical, title,
                   QStringLiteral("You have made unsaved changes that will be lost.\nDo you wish "
                                  "to discard these changes?"),
                   PromptService::Discard | PromptService::Cancel,
                   PromptService::Cancel) == PromptService::Discard;
    });

    mainWindow.resize(1280, 800);
    mainWindow.show();
    column.splitter->setSizes({840, 320});
    tip->updateVisibility();

    GmModel* model = GmModel::instance();
    QObject::connect(model, &GmModel::resolutionChanged, viewOptions,
                     &ViewOptions::syncResolutionSlot);
    QObject::connect(model, &GmModel::sessionHasBegun, &window,
                     [model] { model->imageSmeg()->analyse(); });
    QObject::connect(model, &GmModel::tellImageChanged, viewOptions,
                     [viewOptions](const ZtSourceImage* image) {
                         viewOptions->setShowVectorEdgesEnabled(image != nullptr);
                     });
    if (!path.isEmpty()) files.loadImage(path);

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
        const QString marked =
            QStringLiteral("Brushes: %1 marked workspace pixels").arg(markedPixels());
        mainWindow.setWindowTitle(marked);
        markedLabel->setText(marked);
        if (thread.isBusy() || thread.queuedCount() > 0 || !model->sourceImage() ||
            !model->imageSmeg()->hasSegmentation())
            return;
        // Done: the title still counts what a loaded project brings.
        if (step == steps.size()) return;
        steps[step++]();
    });
    driver.start(100);
    if (steps.empty()) none.installSlot();

    const int result = app.exec();
    model->closeImage();
    setConfirmDiscardHook(nullptr);
    setShowViewTabHook(nullptr);
    setRaiseWindowHook(nullptr);
    setStatusMessageHook(nullptr);
    setDialogParentHook(nullptr);
    return result;
}
