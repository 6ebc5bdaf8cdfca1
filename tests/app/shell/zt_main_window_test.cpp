// The main window as it is built: its parts, the hooks through which the
// document reaches it, the first document of each run mode, the files the
// desktop asks it to open, and the question before work is thrown away.
#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"
#include "model/view_hooks.h"
#include "shell/gas_pipe.h"
#include "shell/zt_app.h"
#include "shell/zt_application.h"
#include "support/test_environment.h"
#include "workspace/image_view.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::prompts;

QString testData(const char* name) {
    return QDir(QStringLiteral(CUTOUT_TEST_DATA)).filePath(QLatin1String(name));
}

// An application object as the window meets it: the run mode, the host's two
// images over pixels of its own, and the command line. init is not run (the
// tests' main made the Qt application).
class TestApp : public ZtApp {
public:
    explicit TestApp(int mode)
        : ZtApp(mode, QDir(test_support::scratchPath()).filePath(QStringLiteral("app-logs"))) {}
    ~TestApp() override { tearDown(); }

    // The host's image: the photograph, held blue, green, red, alpha.
    void takeHostImages() {
        pixels_ = QImage(testData("chelsea.png")).convertToFormat(QImage::Format_ARGB32);
        result_ = pixels_.copy();
        source_ = std::make_unique<ZtSourceImage>(viewOf(&pixels_), QStringLiteral("Layer 1"));
        working_ = std::make_unique<ZtSourceImage>(viewOf(&result_), QStringLiteral("Layer 1"));
    }

    ZtSourceImage* sourceImage() const override { return source_.get(); }
    ZtSourceImage* workingImage() const override { return working_.get(); }
    using ZtApp::setArguments;

protected:
    void releaseDocument() override {
        GmModel* model = GmModel::instance();
        if (source_ && model->sourceImage() == source_.get()) model->setSourceImage(nullptr);
        if (working_ && model->workingImage() == working_.get()) model->setWorkingImage(nullptr);
        working_.reset();
        source_.reset();
    }

private:
    static PixelView8 viewOf(QImage* image) {
        PixelView8 view;
        view.width = image->width();
        view.height = image->height();
        view.rowBytes = int(image->bytesPerLine());
        view.pixels = image->bits();
        return view;
    }

    QImage pixels_;
    QImage result_;
    std::unique_ptr<ZtSourceImage> source_;
    std::unique_ptr<ZtSourceImage> working_;
};

class ZtMainWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        // The document goes as the close of the window will let it go: the
        // engine finishes before the window and its engine thread do.
        if (window_) {
            GmModel::instance()->closeImage();
            waitIdle();
        }
        delete window_.data();
        app_.reset();
        setCurrentControlFile(nullptr);
    }

    void waitIdle() {
        VardekThread* thread = window_->engineThread();
        ASSERT_TRUE(test_support::waitFor(
            [thread] { return !thread->isBusy() && thread->queuedCount() == 0; }, 30000));
    }

    // Waits until the document's analysis has finished.
    bool analysed() {
        return test_support::waitFor(
            [] {
                GmModel* model = GmModel::instance();
                return model->sourceImage() && model->imageSmeg()->hasSegmentation();
            },
            30000);
    }

    std::unique_ptr<TestApp> app_;
    QPointer<ZtMainWindow> window_;
};

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

    delete window_.data();
    EXPECT_EQ(dialogParent(), nullptr);
    // The defaults again: nothing to show them, and nothing is asked.
    showStatusMessage(QStringLiteral("gone"), 0);
    showViewTab(CutoutTabRequest);
    raiseMainWindow();
    auto* edge = new ForcedEdge(QPointF(1, 1), 3);
    EXPECT_TRUE(confirmDiscardChanges(QStringLiteral("Unsaved changes")));
    delete edge;
    EXPECT_TRUE(prompts().asked().isEmpty());
}

TEST_F(ZtMainWindowTest, AHostRunOpensTheApplicationsTwoImagesAndAnalysesThem) {
    app_ = std::make_unique<TestApp>(HostBridgeMode);
    app_->takeHostImages();
    window_ = new ZtMainWindow;
    GmModel* model = GmModel::instance();
    EXPECT_EQ(model->sourceImage(), app_->sourceImage());
    EXPECT_EQ(model->workingImage(), app_->workingImage());
    EXPECT_TRUE(analysed());
    // Nothing was asked: the host's images open without a question.
    EXPECT_TRUE(prompts().asked().isEmpty());
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
    app_ = std::make_unique<TestApp>(StandaloneMode);
    app_->setArguments({QStringLiteral("cutout"), testData("chelsea.png")});
    window_ = new ZtMainWindow;
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

TEST_F(ZtMainWindowTest, StandaloneWithoutAFileOpensNothing) {
    app_ = std::make_unique<TestApp>(StandaloneMode);
    app_->setArguments({QStringLiteral("cutout")});
    window_ = new ZtMainWindow;
    EXPECT_EQ(GmModel::instance()->sourceImage(), nullptr);
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
    };
    // A forced edge is work. Standalone, the engine has counted no change
    // since the cut-out was last saved (none, at count 0): nothing to ask.
    const Case cases[] = {
        {"host, discard", HostBridgeMode, PromptService::Discard, true},
        {"host, cancel", HostBridgeMode, PromptService::Cancel, false},
        {"control file, discard", ControlFileMode, PromptService::Discard, true},
        {"standalone, nothing changed since the save", StandaloneMode, PromptService::NoButton,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app_ = std::make_unique<TestApp>(c.mode);
        window_ = new ZtMainWindow;
        prompts().reset();
        if (c.answer != PromptService::NoButton) prompts().answer(c.answer);
        auto* edge = new ForcedEdge(QPointF(1, 1), 3);
        EXPECT_EQ(confirmDiscardChanges(QStringLiteral("Unsaved changes")), c.goOn);
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
