// The main window as it is built: its parts, the hooks through which the
// document and the view reach it, the first document of each run mode, the
// files the desktop asks it to open, and the question before work is thrown
// away.
#include "main_window_fixture.h"

#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/forced_edge.h"
#include "model/gm_color.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"
#include "model/view_hooks.h"
#include "panels/browser.h"
#include "panels/tip_window.h"
#include "shell/gas_pipe.h"
#include "shell/zt_application.h"
#include "support/test_environment.h"
#include "tools/gm_tool.h"
#include "workspace/canvas_hooks.h"
#include "workspace/image_view.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextBrowser>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::prompts;

class ZtMainWindowTest : public MainWindowFixture {};

TEST_F(ZtMainWindowTest, HoldsTheImageViewFileHandlerAndEngineThreadAndIsTheOneWindow) {
    EXPECT_EQ(ZtMainWindow::instance(), nullptr);
    window_ = new ZtMainWindow;
    EXPECT_EQ(ZtMainWindow::instance(), window_.data());
    EXPECT_TRUE(window_->testAttribute(Qt::WA_DeleteOnClose));
    ASSERT_NE(window_->imageView(), nullptr);
    EXPECT_EQ(window_->imageView()->objectName(), QStringLiteral("imageView_"));
    EXPECT_EQ(window_->centralWidget()->objectName(), QStringLiteral("Main Splitter"));
    ASSERT_NE(window_->engineThread(), nullptr);
    EXPECT_EQ(VardekThread::instance(), window_->engineThread());
    ASSERT_NE(window_->fileHandler(), nullptr);
    EXPECT_EQ(FileHandler::instance(), window_->fileHandler());

    delete window_.data();
    EXPECT_EQ(ZtMainWindow::instance(), nullptr);
    EXPECT_EQ(FileHandler::instance(), nullptr);
}

TEST_F(ZtMainWindowTest, TheDocumentReachesTheWindowThroughItsHooksUntilItGoes) {
    window_ = new ZtMainWindow;
    EXPECT_EQ(dialogParent(), window_.data());
    showStatusMessage(QStringLiteral("Saving cut-out x.png..."), 0);
    EXPECT_EQ(window_->statusBar()->currentMessage(), QStringLiteral("Saving cut-out x.png..."));
    showViewTab(CutoutTabRequest);
    EXPECT_EQ(window_->imageView()->currentViewTab(), ImageView::Cutout);
    showViewTab(WorkspaceTabRequest);
    EXPECT_EQ(window_->imageView()->currentViewTab(), ImageView::Workspace);
    // Nothing to lose: no question.
    EXPECT_TRUE(confirmDiscardChanges(QStringLiteral("Unsaved changes")));
    EXPECT_TRUE(prompts().asked().isEmpty());

    // Running out of memory while a file loads: the window's box.
    prompts().answer(PromptService::Ok);
    reportInternalError(QStringLiteral("Loading file x.png"), QStringLiteral("Out of memory"));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked().first().title, QStringLiteral("Internal Error"));
    EXPECT_TRUE(prompts().asked().first().text.contains(QStringLiteral("Loading file x.png")));
    prompts().reset();
    // Busy while the engine drains: disabled, with the wait cursor, once.
    setWindowBusy(true);
    setWindowBusy(true);
    EXPECT_FALSE(window_->isEnabled());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    setWindowBusy(false);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // A command's tip reaches the tip panel.
    showTip(QStringLiteral("<p>No segmentation yet</p>"));
    EXPECT_TRUE(window_->tipWindow()->browser()->toPlainText().contains("No segmentation yet"));
    // The canvas's menu over no patch holds the image's commands.
    ASSERT_TRUE(canvasHooks().imageActions);
    QStringList texts;
    for (QAction* action : canvasHooks().imageActions())
        texts << action->text();
    EXPECT_EQ(texts, QStringList({"&Auto-Fill Image", "Auto-Fill with &Keep",
                                  "Auto-Fill with &Delete", "Create Cu&t-Out"}));
    EXPECT_EQ(GmTool::imageView(), window_->imageView());

    delete window_.data();
    EXPECT_EQ(dialogParent(), nullptr);
    EXPECT_FALSE(canvasHooks().imageActions);
    EXPECT_EQ(GmTool::imageView(), nullptr);
    reportInternalError(QStringLiteral("Loading file x.png"), QStringLiteral("Out of memory"));
    // The defaults again: nothing to show them, and nothing is asked.
    showStatusMessage(QStringLiteral("gone"), 0);
    showViewTab(CutoutTabRequest);
    raiseMainWindow();
    auto* edge = new ForcedEdge(QPointF(1, 1), 3);
    EXPECT_TRUE(confirmDiscardChanges(QStringLiteral("Unsaved changes")));
    delete edge;
    EXPECT_TRUE(prompts().asked().isEmpty());
}

TEST_F(ZtMainWindowTest, AHostOrControlFileRunOpensTheTwoImagesWithoutAQuestion) {
    for (int mode : {HostBridgeMode, ControlFileMode}) {
        SCOPED_TRACE(mode);
        app_ = std::make_unique<TestApp>(mode);
        app_->takeHostImages();
        window_ = new ZtMainWindow;
        GmModel* model = GmModel::instance();
        EXPECT_EQ(model->sourceImage(), app_->sourceImage());
        EXPECT_EQ(model->workingImage(), app_->workingImage());
        EXPECT_TRUE(analysed());
        EXPECT_TRUE(prompts().asked().isEmpty());
        closeWindow();
    }
}

TEST_F(ZtMainWindowTest, AControlFileIsReadAgainBeforeItsImagesOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString job = dir.filePath("job.oztx");
    const auto write = [&job](const char* input) {
        QFile file(job);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("<job><in id='imageIn' src='%1'/><out id='imageOut' "
                                  "src='out.png'/></job>")
                       .arg(QLatin1String(input))
                       .toUtf8());
    };
    write("first.png");
    setCurrentControlFile(new GasPipe(job));
    ASSERT_TRUE(currentControlFile()->load());
    // The file changed between the start of the run and the window.
    write("second.png");
    app_ = std::make_unique<TestApp>(ControlFileMode);
    app_->takeHostImages();
    window_ = new ZtMainWindow;
    EXPECT_EQ(app_->inputPathWhenAsked(), dir.filePath("second.png"));
    EXPECT_TRUE(analysed());
}

TEST_F(ZtMainWindowTest, AHostRunWithoutImagesOpensNothing) {
    const int modes[] = {HostBridgeMode, ControlFileMode};
    for (int mode : modes) {
        SCOPED_TRACE(mode);
        app_ = std::make_unique<TestApp>(mode);
        window_ = new ZtMainWindow;
        EXPECT_EQ(GmModel::instance()->sourceImage(), nullptr);
        EXPECT_TRUE(test_support::logLines().last().endsWith(QStringLiteral("No image to open")));
        delete window_.data();
        app_.reset();
    }
}

TEST_F(ZtMainWindowTest, StandaloneTheFileNamedOnTheCommandLineOpensAndTheDesktopsFilesFollow) {
    makeWindow(StandaloneMode, {QStringLiteral("cutout"), testData("chelsea.png")});
    GmModel* model = GmModel::instance();
    ASSERT_NE(model->sourceImage(), nullptr);
    EXPECT_EQ(model->sourceImage()->filename(), testData("chelsea.png"));
    ASSERT_TRUE(analysed());

    // Nothing changed yet, so the desktop's file opens without a question.
    EXPECT_TRUE(openRequestedFile(testData("flat_grey_200x150.png")));
    ASSERT_NE(model->sourceImage(), nullptr);
    EXPECT_EQ(model->sourceImage()->filename(), testData("flat_grey_200x150.png"));
    EXPECT_TRUE(prompts().asked().isEmpty());
    waitIdle();
}

TEST_F(ZtMainWindowTest, StandaloneWithoutAFileTheWindowHasNoDocumentAndNoTool) {
    makeWindow(StandaloneMode, {QStringLiteral("cutout")});
    EXPECT_EQ(model()->sourceImage(), nullptr);
    // Without an image not even the empty tool can be installed.
    EXPECT_EQ(GmTool::currentTool(), nullptr);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Zeltran 3"));
    EXPECT_TRUE(prompts().asked().isEmpty());
}

TEST_F(ZtMainWindowTest, StandaloneAProjectNamedOnTheCommandLineIsLoaded) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString project = dir.filePath("cat.oztp");
    windowOnPhoto();
    prompts().answerFileName(project);
    window_->fileHandler()->projectSaveAsSlot();
    ASSERT_TRUE(QFile::exists(project));
    closeWindow();
    prompts().reset();

    makeWindow(StandaloneMode, {QStringLiteral("cutout"), project});
    EXPECT_TRUE(analysed());
    waitIdle();
    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
    EXPECT_EQ(window_->fileHandler()->projectPath(), project);
    EXPECT_TRUE(prompts().asked().isEmpty());
}

TEST_F(ZtMainWindowTest, AControlFileTheDesktopOpensIsLoadedAndAFailureOnlyWarns) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath("job.OZTX");
    // Before the window exists a request is left alone.
    EXPECT_FALSE(openRequestedFile(missing));
    EXPECT_EQ(currentControlFile(), nullptr);

    window_ = new ZtMainWindow;
    prompts().answer(PromptService::Ok);
    EXPECT_TRUE(openRequestedFile(missing));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked().first().kind, PromptService::Kind::Warning);
    EXPECT_EQ(prompts().asked().first().text,
              QStringLiteral("Unable to open XML control file: ") + missing);
    EXPECT_TRUE(test_support::logLines().last().endsWith(missing));
    ASSERT_NE(currentControlFile(), nullptr);

    const QString job = dir.filePath("next.oztx");
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<job><in id='imageIn' src='in.png'/></job>");
    file.close();
    EXPECT_TRUE(openRequestedFile(job));
    EXPECT_EQ(currentControlFile()->fileName(), job);
    EXPECT_EQ(controlFileInputPath(), dir.filePath("in.png"));
    EXPECT_EQ(prompts().asked().size(), 1);
}

TEST_F(ZtMainWindowTest, WorkIsThrownAwayOnlyAfterDiscard) {
    struct Case {
        const char* name;
        int mode;
        PromptService::Button answer; // NoButton: nothing is asked
        bool goOn;
        int result; // the run's result code afterwards
    };
    // A forced edge is work. Standalone, the engine has counted no change
    // since the cut-out was last saved (none, at count 0): nothing to ask.
    const Case cases[] = {
        {"host, discard", HostBridgeMode, PromptService::Discard, true, ResultDiscarded},
        {"host, cancel", HostBridgeMode, PromptService::Cancel, false, ResultUndecided},
        {"control file, discard", ControlFileMode, PromptService::Discard, true, ResultDiscarded},
        {"standalone, nothing changed since the save", StandaloneMode, PromptService::NoButton,
         true, ResultNothingToApply},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app_ = std::make_unique<TestApp>(c.mode);
        window_ = new ZtMainWindow;
        prompts().reset();
        if (c.answer != PromptService::NoButton) prompts().answer(c.answer);
        auto* edge = new ForcedEdge(QPointF(1, 1), 3);
        EXPECT_EQ(confirmDiscardChanges(QStringLiteral("Unsaved changes")), c.goOn);
        EXPECT_EQ(app_->resultCode(), c.result);
        delete edge;
        ASSERT_EQ(prompts().asked().size(), c.answer == PromptService::NoButton ? 0 : 1);
        if (!prompts().asked().isEmpty()) {
            EXPECT_EQ(prompts().asked().first().title, QStringLiteral("Unsaved changes"));
            EXPECT_EQ(prompts().asked().first().kind, PromptService::Kind::Critical);
            EXPECT_EQ(prompts().asked().first().buttons,
                      PromptService::Discard | PromptService::Cancel);
            EXPECT_EQ(prompts().asked().first().defaultButton, PromptService::Cancel);
        }
        delete window_.data();
        app_.reset();
    }
}

} // namespace
