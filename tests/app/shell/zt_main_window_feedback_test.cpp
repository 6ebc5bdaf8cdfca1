// What the main window shows of the engine's work, with commands on its real
// engine thread: the command's description and progress, the cancel button,
// discarded commands, the "Internal Error" box of a dead library and the
// refusals after it; and the window title.
#include "main_window_fixture.h"

#include "engine_bridge/fake_command.h"
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "support/test_environment.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QAction>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

namespace {

using test_support::prompts;

class ZtMainWindowFeedbackTest : public MainWindowFixture {
protected:
    void SetUp() override { makeWindow(StandaloneMode, {QStringLiteral("cutout")}); }

    VardekThread* thread() const { return window_->engineThread(); }
    QString message() const { return window_->statusBar()->currentMessage(); }

    // A command named `name` that waits at `gate` (after `before`, when given).
    FakeCommand* waiting(const QString& name, Gate& gate, bool cancellable = true,
                         std::function<void()> before = nullptr) {
        FakeBehaviour behaviour;
        behaviour.cancellable = cancellable;
        behaviour.execute = [&gate, before] {
            if (before) before();
            gate.pass();
        };
        return new FakeCommand(journal_, name, behaviour);
    }

    Journal journal_;
};

TEST_F(ZtMainWindowFeedbackTest, CancelIsOfferedOnlyForWorkThatMayBeCancelled) {
    QAction* cancel = window_->commands().cancel;
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_FALSE(window_->cancelButton()->isEnabled());

    Gate gate;
    thread()->submit(waiting(QStringLiteral("Brushing..."), gate));
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_TRUE(window_->cancelButton()->isEnabled());
    gate.open();
    waitIdle();
    EXPECT_FALSE(cancel->isEnabled());

    // A command that may not be cancelled runs: nothing to cancel, even
    // with cancellable work behind it.
    Gate final;
    thread()->submit(waiting(QStringLiteral("Creating Cut-out..."), final, false));
    thread()->submit(waiting(QStringLiteral("Brushing..."), final));
    EXPECT_FALSE(cancel->isEnabled());
    final.open();
    waitIdle();
    EXPECT_FALSE(cancel->isEnabled());
}

TEST_F(ZtMainWindowFeedbackTest, ARunningCommandShowsItsDescriptionAndProgressUntilItEnds) {
    QProgressBar* bar = window_->progressBar();
    EXPECT_FALSE(bar->isTextVisible());
    Gate gate;
    thread()->submit(waiting(QStringLiteral("Analyzing Image..."), gate, true,
                             [] { VardekThread::reportProgress(40, 0); }));
    EXPECT_EQ(message(), QStringLiteral("Analyzing Image..."));
    EXPECT_EQ(bar->toolTip(), QStringLiteral("Analyzing Image..."));
    EXPECT_TRUE(bar->isTextVisible());
    // Reported on the worker, shown on the window's thread.
    EXPECT_TRUE(test_support::waitFor([bar] { return bar->value() == 40; }));

    gate.open();
    waitIdle();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(bar->isTextVisible());
    EXPECT_TRUE(bar->toolTip().isEmpty());
    EXPECT_TRUE(message().isEmpty());
}

TEST_F(ZtMainWindowFeedbackTest, CancellingAndDiscardingAreTold) {
    QProgressBar* bar = window_->progressBar();
    Gate gate;
    FakeCommand* running = waiting(QStringLiteral("Analyzing Image..."), gate);
    thread()->submit(running);
    FakeCommand* queued = waiting(QStringLiteral("Brushing..."), gate);
    thread()->submit(queued);

    // Discarded before it started: said so, and the bar shows no progress.
    thread()->cancel(queued);
    EXPECT_EQ(message(), QStringLiteral("Brushing... discarded"));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(bar->isTextVisible());

    thread()->cancel(running);
    EXPECT_EQ(message(), QStringLiteral("Canceling..."));
    gate.open();
    waitIdle();
}

TEST_F(ZtMainWindowFeedbackTest, ADeadLibraryIsReportedOnceAndRefusesTheWorkAfterIt) {
    prompts().answer(PromptService::Ok);
    FakeBehaviour fault;
    fault.finishedResult = 5;
    thread()->submit(new FakeCommand(journal_, QStringLiteral("Creating Cut-out..."), fault));
    Gate gate;
    thread()->submit(waiting(QStringLiteral("Brushing..."), gate));
    gate.open();
    waitIdle();

    ASSERT_EQ(prompts().asked().size(), 1);
    const auto& box = prompts().asked().first();
    EXPECT_EQ(box.title, QStringLiteral("Internal Error"));
    EXPECT_EQ(box.kind, PromptService::Kind::Critical);
    EXPECT_EQ(box.buttons, PromptService::Ok);
    EXPECT_EQ(box.text,
              QStringLiteral("<p>Zeltran 3 has detected an internal error:</p><p><center>Vardek "
                             "library fault</center></p><p>while performing the "
                             "operation:</p><p><center>Creating Cut-out...</center></p>"
                             "<p>If possible, you should Save your work in a<br/>Project File "
                             "(Ctrl+Shift+S) and then Exit.</p><p>When you restart Zeltran 3, you "
                             "can <br/>Load the Project File (Ctrl+Shift+O) and<br/>continue with "
                             "your work.</p>"));

    thread()->submit(new FakeCommand(journal_, QStringLiteral("Brushing...")));
    EXPECT_EQ(message(), QStringLiteral("Please save project and exit"));
    EXPECT_EQ(prompts().asked().size(), 1);
}

TEST_F(ZtMainWindowFeedbackTest, TheTitleNamesTheImageItsSizeAndTheZoom) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Zeltran 3"));
    QImage pixels(3000, 2000, QImage::Format_ARGB32);
    pixels.fill(qRgb(90, 120, 60));
    PixelView8 view;
    view.width = pixels.width();
    view.height = pixels.height();
    view.rowBytes = int(pixels.bytesPerLine());
    view.pixels = pixels.bits();
    ZtSourceImage image(view, QStringLiteral("/pictures/photo.png"));
    model()->setSourceImage(&image);
    window_->updateActionEnablednessSlot();

    GmZoomWidget* canvas = window_->imageView()->canvas();
    canvas->setZoom(0.25, true);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Zeltran 3: photo.png (3000 x 2000) @ 25.0%"));
    canvas->setZoom(1.0 / 3.0, true);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Zeltran 3: photo.png (3000 x 2000) @ 33.3%"));

    model()->setSourceImage(nullptr);
    window_->updateActionEnablednessSlot();
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Zeltran 3"));
}

} // namespace
