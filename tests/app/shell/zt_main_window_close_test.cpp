// Closing the window: the question and the result code it records, the wait
// for the engine thread, "Save and Apply" with its final cut-out (from a
// control file, in process, to the output PNG), Revert Mask while a cut-out
// is on its way, and images handed over while a host's image is open.
#include "main_window_fixture.h"

#include "engine_bridge/fake_command.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "files/file_handler.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "shell/gas_pipe.h"
#include "shell/program_run.h"
#include "support/test_environment.h"
#include "tools/gm_tool.h"
#include "workspace/image_view.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QVector>

#include <gtest/gtest.h>

#include <functional>

#include "core/fault_injection.h"
#include "vardek.h"

namespace {

using test_support::prompts;
using test_support::waitFor;

// Where the strokes go on the photograph (451 x 300): keep across the cat,
// delete across the top right corner.
const QPointF kKeepFrom(120, 200), kKeepTo(300, 200);
const QPointF kDeleteFrom(330, 30), kDeleteTo(440, 30);

class ZtMainWindowCloseTest : public MainWindowFixture {
protected:
    void TearDown() override {
        gate_.open();
        vardek::fault::disarm();
        MainWindowFixture::TearDown();
    }

    // A window of `mode` on the photograph (the host's two images, or the
    // standalone file), analysed, the engine idle.
    void windowOn(int mode) {
        if (mode == StandaloneMode) {
            windowOnPhoto();
            return;
        }
        app_ = std::make_unique<TestApp>(mode);
        app_->takeHostImages();
        window_ = new ZtMainWindow;
        ASSERT_TRUE(analysed());
        waitIdle();
    }

    // A control file's run in `dir_`: the photograph in, "out.png" out.
    void controlFileWindow() {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QFile::copy(testData("chelsea.png"), dir_.filePath("in.png")));
        QFile job(dir_.filePath("job.oztx"));
        ASSERT_TRUE(job.open(QIODevice::WriteOnly));
        job.write("<job><image id='imageIn' src='in.png'/><image id='imageOut' src='out.png'/>"
                  "</job>");
        job.close();
        setCurrentControlFile(new GasPipe(job.fileName()));
        ASSERT_TRUE(currentControlFile()->load());
        app_ = std::make_unique<TestApp>(ControlFileMode);
        ASSERT_TRUE(app_->takeControlFileImages());
        window_ = new ZtMainWindow;
        ASSERT_TRUE(analysed());
        waitIdle();
    }

    void paintKeepAndDelete() {
        paint(MaskBrushTool::KeepExact, kKeepFrom, kKeepTo);
        paint(MaskBrushTool::DeleteExact, kDeleteFrom, kDeleteTo);
    }

    // Holds the engine thread until the gate opens: a long command no cancel reaches.
    void holdEngine() {
        FakeBehaviour slow;
        slow.cancellable = false;
        slow.countsAsChange = false;
        slow.execute = waitAt(gate_);
        window_->engineThread()->submit(new FakeCommand(journal_, QStringLiteral("slow"), slow));
    }

    bool closed() {
        return waitFor([this] { return window_.isNull(); }, 60000);
    }

    // The run as the program runs it: `apply` ends with the window closing,
    // then an applied result goes to the output. The exit code.
    int runToTheEnd(const std::function<void()>& apply) {
        ProgramSteps steps;
        steps.init = [] {};
        steps.run = [&] {
            apply();
            EXPECT_TRUE(closed());
            return 0;
        };
        steps.resultCode = [this] { return app_->resultCode(); };
        steps.deliverResult = [this] { return app_->deliverResult(); };
        return runProgram(ControlFileMode, steps);
    }

    int queuedCutouts() const {
        int count = 0;
        VardekThread* thread = window_->engineThread();
        for (VardekCommand* command : thread->queuedCommands())
            if (qobject_cast<VkCmdGenerateMask*>(command)) ++count;
        if (qobject_cast<VkCmdGenerateMask*>(thread->currentCommand())) ++count;
        return count;
    }

    static int alphaAt(const QImage& image, QPointF point) {
        return qAlpha(image.pixel(point.toPoint()));
    }
    // The alpha along a stroke's middle line, away from its ends.
    static QVector<int> alphasAlong(const QImage& image, QPointF from, QPointF to) {
        QVector<int> alphas;
        for (int i = 1; i < 8; ++i)
            alphas << alphaAt(image, from + (to - from) * i / 8.0);
        return alphas;
    }

    QTemporaryDir dir_;
    Journal journal_;
    Gate gate_;
};

TEST_F(ZtMainWindowCloseTest, TheCloseWaitsForTheEngineAndThenClosesByItself) {
    windowOn(HostBridgeMode);
    paint(MaskBrushTool::KeepExact, kKeepFrom, kKeepTo);
    holdEngine();

    // Cancel: the window and its engine thread stay as they were.
    prompts().answer(PromptService::Cancel);
    EXPECT_FALSE(window_->close());
    ASSERT_FALSE(window_.isNull());
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_FALSE(window_->isClosing());
    EXPECT_TRUE(window_->engineThread()->isOpen());
    EXPECT_EQ(app_->resultCode(), ResultUndecided);
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked().first().title, QStringLiteral("Unsaved changes"));

    // Discard: the document goes, and the window waits for the engine.
    prompts().answer(PromptService::Discard);
    EXPECT_FALSE(window_->close());
    ASSERT_FALSE(window_.isNull());
    EXPECT_TRUE(window_->isClosing());
    EXPECT_FALSE(window_->isEnabled());
    EXPECT_EQ(window_->statusBar()->currentMessage(), QStringLiteral("Exiting Zeltran 3 ..."));
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(window_->engineThread()->isOpen());
    EXPECT_EQ(model()->sessionState(), GmModel::NoDocument);
    EXPECT_EQ(app_->resultCode(), ResultDiscarded);
    EXPECT_EQ(QSettings().value(QStringLiteral("PersistVersion")).toInt(), 2);

    // Asked again while the engine works: only noted, nothing asked.
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(test_support::logLines().last().endsWith(QStringLiteral("Closed several times")));
    EXPECT_EQ(prompts().asked().size(), 2);

    gate_.open();
    ASSERT_TRUE(closed());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(app_->resultCode(), ResultDiscarded);
}

TEST_F(ZtMainWindowCloseTest, TheAnswerWhenTheWindowClosesIsTheRunsResultCode) {
    struct Case {
        const char* name;
        int mode;
        bool stroke;
        PromptService::Button answer; // NoButton: nothing is asked
        bool closes;
        int result;
    };
    const Case cases[] = {
        {"host, nothing changed", HostBridgeMode, false, PromptService::NoButton, true,
         ResultNothingToApply},
        {"host, a stroke, discard", HostBridgeMode, true, PromptService::Discard, true,
         ResultDiscarded},
        {"host, a stroke, cancel", HostBridgeMode, true, PromptService::Cancel, false,
         ResultUndecided},
        {"control file, a stroke, discard", ControlFileMode, true, PromptService::Discard, true,
         ResultDiscarded},
        {"standalone, nothing changed", StandaloneMode, false, PromptService::NoButton, true,
         ResultNothingToApply},
        {"standalone, a stroke, discard", StandaloneMode, true, PromptService::Discard, true,
         ResultDiscarded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts().reset();
        windowOn(c.mode);
        if (c.stroke) paint(MaskBrushTool::KeepExact, kKeepFrom, kKeepTo);
        if (c.answer != PromptService::NoButton) prompts().answer(c.answer);
        window_->close();
        EXPECT_EQ(prompts().asked().size(), c.answer == PromptService::NoButton ? 0 : 1);
        if (c.closes) {
            EXPECT_TRUE(closed());
        } else {
            EXPECT_FALSE(window_.isNull());
        }
        EXPECT_EQ(app_->resultCode(), c.result);
        closeWindow();
    }

    // Standalone, the cut-out saved after the last stroke: nothing to ask.
    prompts().reset();
    windowOn(StandaloneMode);
    paint(MaskBrushTool::KeepExact, kKeepFrom, kKeepTo);
    ASSERT_TRUE(dir_.isValid());
    prompts().answerFileName(dir_.filePath("cat.png"), QStringLiteral("(*.png)"));
    ASSERT_TRUE(window_->fileSaveAsSlot());
    window_->close();
    EXPECT_TRUE(closed());
    EXPECT_EQ(prompts().asked().size(), 1); // the file name only
    EXPECT_EQ(app_->resultCode(), ResultNothingToApply);
}

TEST_F(ZtMainWindowCloseTest, SaveAndApplyWritesTheCutOutOfTheMarksToTheControlFilesOutput) {
    controlFileWindow();
    paintKeepAndDelete();
    const int exitCode = runToTheEnd([this] { window_->saveAndApplySlot(); });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(app_->resultCode(), ResultApply);
    EXPECT_TRUE(prompts().asked().isEmpty());
    const QImage output(dir_.filePath("out.png"));
    ASSERT_FALSE(output.isNull());
    EXPECT_TRUE(output.hasAlphaChannel());
    EXPECT_EQ(alphasAlong(output, kKeepFrom, kKeepTo), QVector<int>(7, 255));
    EXPECT_EQ(alphasAlong(output, kDeleteFrom, kDeleteTo), QVector<int>(7, 0));
}

TEST_F(ZtMainWindowCloseTest, AFinalCutOutThatFailsWritesNothingAndKeepsTheWindow) {
    controlFileWindow();
    paintKeepAndDelete();
    // The engine runs out of memory in the cut-out: the library is given up.
    vardek::fault::arm("generateMask.pass", vardek::fault::Kind::OutOfMemory);
    prompts().answer(PromptService::Ok); // "Internal Error"
    prompts().answer(PromptService::Ok); // nothing was applied
    window_->saveAndApplySlot();
    EXPECT_TRUE(window_->isApplying());
    EXPECT_FALSE(window_->isEnabled());
    EXPECT_FALSE(window_->askBeforeDiscard());
    // Meanwhile nothing replaces the document (a file the desktop opens, say).
    EXPECT_FALSE(window_->confirmDiscardChanges(QStringLiteral("Unsaved changes")));
    ASSERT_TRUE(waitFor([this] { return !window_->isApplying(); }, 30000));
    // Nothing closes it afterwards either.
    EXPECT_FALSE(waitFor([this] { return window_.isNull(); }, 300));
    ASSERT_FALSE(window_.isNull());
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_TRUE(window_->askBeforeDiscard());
    ASSERT_EQ(prompts().asked().size(), 2);
    EXPECT_EQ(prompts().asked().at(0).title, QStringLiteral("Internal Error"));
    EXPECT_EQ(prompts().asked().at(1).title, QStringLiteral("Save and Apply"));
    EXPECT_FALSE(QFile::exists(dir_.filePath("out.png")));
    EXPECT_NE(app_->resultCode(), ResultApply);

    // The library is dead: what the engine's last commands would have done
    // for this test's document is done by hand (the engine let go, no undo
    // steps left), so that the next test starts clean.
    closeWindow();
    model()->setStatusImage(nullptr);
    if (VkEngine* engine = model()->engine()) VkFinish(engine);
    model()->setEngine(nullptr);
    model()->setUndoCounts(0, 0);
}

TEST_F(ZtMainWindowCloseTest, RightAfterCreateCutOutSaveAndApplyQueuesNoSecondCutOut) {
    controlFileWindow();
    paintKeepAndDelete();
    holdEngine();
    window_->generateMaskSlot();
    ASSERT_EQ(queuedCutouts(), 1);
    const int exitCode = runToTheEnd([this] {
        window_->saveAndApplySlot();
        EXPECT_EQ(queuedCutouts(), 1);
        gate_.open();
    });
    EXPECT_EQ(exitCode, 0);
    const QImage output(dir_.filePath("out.png"));
    ASSERT_FALSE(output.isNull());
    EXPECT_EQ(alphasAlong(output, kDeleteFrom, kDeleteTo), QVector<int>(7, 0));
}

TEST_F(ZtMainWindowCloseTest, AStrokeMadeWhileACutOutIsOnItsWayIsInTheAppliedResult) {
    controlFileWindow();
    paintKeepAndDelete();
    holdEngine();
    window_->generateMaskSlot();
    // Delete across the middle of the keep stroke, after the cut-out was asked for.
    const QPointF middle = (kKeepFrom + kKeepTo) / 2;
    const QPointF from = middle - QPointF(0, 40), to = middle + QPointF(0, 40);
    MaskBrushTool* remove = window_->maskBrush(MaskBrushTool::DeleteExact);
    ASSERT_TRUE(remove->installSlot());
    drag(*remove, from, to);
    const int exitCode = runToTheEnd([this] {
        window_->saveAndApplySlot();
        EXPECT_EQ(queuedCutouts(), 2);
        gate_.open();
    });
    EXPECT_EQ(exitCode, 0);
    const QImage output(dir_.filePath("out.png"));
    ASSERT_FALSE(output.isNull());
    EXPECT_EQ(alphaAt(output, middle), 0);
    EXPECT_EQ(alphaAt(output, kKeepFrom + (kKeepTo - kKeepFrom) / 8.0), 255);
}

TEST_F(ZtMainWindowCloseTest, AProjectLoadedInAHostsRunIsAppliedWithResultZero) {
    windowOn(HostBridgeMode);
    paintKeepAndDelete();
    ASSERT_TRUE(dir_.isValid());
    const QString project = dir_.filePath("work.oztp");
    prompts().answerFileName(project);
    window_->fileHandler()->projectSaveAsSlot();
    ASSERT_TRUE(QFile::exists(project));
    window_->fileHandler()->loadProject(project);
    ASSERT_TRUE(analysed());
    waitIdle();
    ASSERT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
    ASSERT_TRUE(model()->isUnmodified());

    window_->saveAndApplySlot();
    ASSERT_TRUE(closed());
    EXPECT_EQ(app_->resultCode(), ResultApply);
    EXPECT_EQ(prompts().asked().size(), 1); // the project's file name only
    // What the host gets back: the cut-out of the loaded marks.
    const VkImage view = app_->workingImage()->engineView();
    const QImage result(view.data, view.width, view.height, view.rowBytes, QImage::Format_ARGB32);
    EXPECT_EQ(alphasAlong(result, kDeleteFrom, kDeleteTo), QVector<int>(7, 0));
}

TEST_F(ZtMainWindowCloseTest, RevertMaskWaitsForACutOutOnItsWayAndKeepsTheImagesPixels) {
    windowOn(StandaloneMode);
    paintKeepAndDelete();
    // Someone holds the last cut-out's picture (as the Cut-out tab does).
    QImage held;
    QObject::connect(model(), &GmModel::cutoutChanged, window_,
                     [&held](const QImage& cutout) { held = cutout; });
    window_->generateMaskSlot();
    waitIdle();
    ASSERT_FALSE(held.isNull());
    const unsigned char* pixels = model()->workingImage()->engineView().data;

    holdEngine();
    window_->generateMaskSlot();
    window_->revertSlot();
    EXPECT_EQ(window_->imageView()->currentViewTab(), ImageView::Workspace);
    gate_.open();
    waitIdle();
    EXPECT_EQ(model()->statusArray()->statusesPresent() & (2 | 4 | 8), 0);
    EXPECT_EQ(model()->workingImage()->displayImage(), model()->sourceImage()->displayImage());
    // The engine's next cut-out goes where the window shows it.
    EXPECT_EQ(model()->workingImage()->engineView().data, pixels);
    paintKeepAndDelete();
    window_->generateMaskSlot();
    waitIdle();
    EXPECT_EQ(alphasAlong(model()->workingImage()->displayImage(), kDeleteFrom, kDeleteTo),
              QVector<int>(7, 0));
}

TEST_F(ZtMainWindowCloseTest, AnImageHandedOverDoesNotReplaceAHostsImage) {
    QImage dropped(30, 20, QImage::Format_ARGB32);
    dropped.fill(Qt::red);
    const NamedImage named(dropped, QUrl(QStringLiteral("file:///tmp/dropped.png")));
    for (int mode : {HostBridgeMode, ControlFileMode}) {
        SCOPED_TRACE(mode);
        windowOn(mode);
        ZtSourceImage* source = model()->sourceImage();
        window_->receivedImageSlot(named);
        window_->loadNamedImage(named);
        window_->loadImage(testData("flat_grey_200x150.png"));
        waitIdle();
        EXPECT_EQ(model()->sourceImage(), source);
        EXPECT_FALSE(window_->statusBar()->currentMessage().isEmpty());
        EXPECT_TRUE(prompts().asked().isEmpty());
        closeWindow();
    }

    // Standalone, an image file handed over does not take the work unasked.
    windowOn(StandaloneMode);
    paint(MaskBrushTool::KeepExact, kKeepFrom, kKeepTo);
    ZtSourceImage* photo = model()->sourceImage();
    prompts().answer(PromptService::Cancel);
    window_->loadImage(testData("flat_grey_200x150.png"));
    EXPECT_EQ(model()->sourceImage(), photo);
    EXPECT_EQ(prompts().asked().size(), 1);
    closeWindow();
    prompts().reset();

    // With nothing to lose it is opened at once.
    windowOn(StandaloneMode);
    window_->receivedImageSlot(named);
    ASSERT_TRUE(waitFor(
        [this] { return model()->sourceImage() && model()->sourceImage()->width() == 30; }));
    EXPECT_TRUE(prompts().asked().isEmpty());
    // Its engine has started (the thread is open again) before the window goes.
    VardekThread* thread = window_->engineThread();
    ASSERT_TRUE(waitFor(
        [thread] { return thread->isOpen() && !thread->isBusy() && thread->queuedCount() == 0; }));
}

} // namespace
