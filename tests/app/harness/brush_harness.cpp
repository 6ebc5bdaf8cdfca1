// A window to look at the mask brushes, the clean tool and their options,
// the view options bar, the background picker and the tool palette, with a
// document on the real engine (analysed, so every brush can be used):
//   brush_harness [IMAGE] [--paint] [--empty]
// With --paint each brush paints one stroke across the image through the
// tool's mouse operations, one after the other; the window title counts the
// marked workspace pixels as the engine writes them. With --empty the window
// starts without an image. The File menu opens, exports and saves through
// the file handler (Ctrl+O open, Ctrl+Shift+E export as, Ctrl+Shift+S save
// project as, Ctrl+W close, Ctrl+U create the cut-out); settings go to a
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
#include "tools/mask_brushes.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
    QString path = QStringLiteral(CUTOUT_TEST_DATA "/chelsea.png");
    bool paint = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--paint"))
            paint = true;
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
    auto* splitter = new QSplitter(&window);
    layout->addWidget(splitter, 1);
    auto* view = new ImageView(&window);
    splitter->addWidget(view);
    auto* dock = new FakeDock(splitter);
    auto* statusBar = new QStatusBar(&window);
    layout->addWidget(statusBar);
    auto* markedLabel = new QLabel(statusBar);
    statusBar->addPermanentWidget(markedLabel);
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
    splitter->setSizes({840, 320});
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

    // The brush of each step paints once the engine has finished the one before.
    int step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &window, [&] {
        const QString marked =
            QStringLiteral("Brushes: %1 marked workspace pixels").arg(markedPixels());
        mainWindow.setWindowTitle(marked);
        markedLabel->setText(marked);
        if (!paint || thread.isBusy() || thread.queuedCount() > 0 || !model->sourceImage() ||
            !model->imageSmeg()->hasSegmentation())
            return;
        // Done: the title still counts what a loaded project brings.
        if (step == int(brushes.size())) return;
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
    setConfirmDiscardHook(nullptr);
    setShowViewTabHook(nullptr);
    setRaiseWindowHook(nullptr);
    setStatusMessageHook(nullptr);
    setDialogParentHook(nullptr);
    return result;
}
