// The main window as it is built, and the files the desktop asks it to open.
#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_thread.h"
#include "shell/gas_pipe.h"
#include "shell/zt_application.h"
#include "support/test_environment.h"
#include "workspace/image_view.h"

#include <QFile>
#include <QPointer>
#include <QSplitter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using test_support::prompts;

class ZtMainWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        delete window_.data();
        setCurrentControlFile(nullptr);
    }
    QPointer<ZtMainWindow> window_;
};

TEST_F(ZtMainWindowTest, HoldsTheImageViewAndTheEngineThreadAndIsTheOneWindow) {
    EXPECT_EQ(ZtMainWindow::instance(), nullptr);
    window_ = new ZtMainWindow;
    EXPECT_EQ(ZtMainWindow::instance(), window_.data());
    EXPECT_TRUE(window_->testAttribute(Qt::WA_DeleteOnClose));
    ASSERT_NE(window_->imageView(), nullptr);
    EXPECT_EQ(window_->imageView()->objectName(), QStringLiteral("imageView_"));
    EXPECT_EQ(window_->centralWidget()->objectName(), QStringLiteral("Main Splitter"));
    ASSERT_NE(window_->engineThread(), nullptr);
    EXPECT_EQ(VardekThread::instance(), window_->engineThread());

    delete window_.data();
    EXPECT_EQ(ZtMainWindow::instance(), nullptr);
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

} // namespace
