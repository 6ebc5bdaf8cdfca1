// The rules that enable the main window's commands, on the real engine: an
// open image, the mask classes present, an analysis done or pending, the
// engine thread's queue, the undo and redo counts, an active patch, and a
// status image to save with a project.
#include "main_window_fixture.h"

#include "engine_bridge/fake_command.h"
#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "panels/edge_detection_options.h"
#include "panels/image_edge_finder.h"
#include "panels/view_options.h"
#include "support/test_environment.h"
#include "tools/arrow_tool.h"
#include "tools/gm_tool.h"
#include "tools/region_rect_tool.h"
#include "workspace/image_view.h"

#include <QAction>
#include <QComboBox>
#include <QCheckBox>
#include <QMenu>
#include <QSignalSpy>

#include <limits>

namespace {

using test_support::prompts;

class ZtMainWindowEnablingTest : public MainWindowFixture {
protected:
    // The states of `actions`, "1" on and "0" off, in order.
    static QString states(std::initializer_list<QAction*> actions) {
        QString text;
        for (QAction* action : actions)
            text += action && action->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return text;
    }

    // Holds the engine thread with a command that waits at `gate`.
    void hold(Gate& gate, bool cancellable = true) {
        FakeBehaviour behaviour;
        behaviour.cancellable = cancellable;
        behaviour.countsAsChange = false;
        behaviour.execute = waitAt(gate);
        window_->engineThread()->submit(
            new FakeCommand(journal_, QStringLiteral("Holding..."), behaviour));
    }

    Journal journal_;
};

TEST_F(ZtMainWindowEnablingTest, TheDocumentCommandsFollowTheImage) {
    makeWindow(StandaloneMode, {QStringLiteral("cutout")});
    const ZtMainWindowActions& a = window_->commands();
    const auto document = [&a] {
        return states({a.save, a.saveAs, a.close, a.saveProject, a.saveProjectAs, a.zoomIn,
                       a.zoomOut, a.fitOnScreen, a.actualPixels, a.autoFillKeep, a.autoFillDelete,
                       a.showObjectEdges});
    };
    const auto always = [&a] {
        return states({a.open, a.loadProject, a.exit, a.preferences, a.help, a.about});
    };
    EXPECT_EQ(document(), QStringLiteral("000000000000"));
    EXPECT_EQ(always(), QStringLiteral("111111"));
    EXPECT_FALSE(window_->viewOptions()->objectEdgeBox()->isEnabled());

    ASSERT_TRUE(window_->fileHandler()->loadImage(testData("chelsea.png")));
    ASSERT_TRUE(analysed());
    waitIdle();
    EXPECT_EQ(document(), QStringLiteral("111111111111"));
    EXPECT_EQ(always(), QStringLiteral("111111"));
    EXPECT_TRUE(window_->viewOptions()->objectEdgeBox()->isEnabled());
    // The first analysis gives the delete-local brush on the Workspace tab.
    EXPECT_EQ(GmTool::currentTool(), window_->maskBrush(MaskBrushTool::DeleteLocal));
    EXPECT_EQ(window_->imageView()->currentViewTab(), ImageView::Workspace);

    window_->fileHandler()->fileCloseSlot();
    waitIdle();
    EXPECT_EQ(document(), QStringLiteral("000000000000"));
    EXPECT_EQ(always(), QStringLiteral("111111"));
    EXPECT_FALSE(window_->viewOptions()->objectEdgeBox()->isEnabled());
}

TEST_F(ZtMainWindowEnablingTest, TheMaskClassesPresentDecideWhatCanBeCleanedFilledAndApplied) {
    app_ = std::make_unique<TestApp>(HostBridgeMode);
    app_->takeHostImages();
    window_ = new ZtMainWindow;
    ASSERT_TRUE(analysed());
    waitIdle();
    const ZtMainWindowActions& a = window_->commands();
    const auto marks = [&a] {
        return states({a.cleanAll, a.cleanKeep, a.cleanDelete, a.cleanBlend, a.cleanLastSelection,
                       a.autoFillImage, a.createCutout, a.revertMask, a.revertAll, a.saveAndApply});
    };
    EXPECT_EQ(marks(), QStringLiteral("0000000000"));

    paint(MaskBrushTool::KeepExact, QPointF(60, 60), QPointF(200, 60));
    ASSERT_EQ(model()->statusArray()->statusesPresent() & 14, 2);
    EXPECT_EQ(marks(), QStringLiteral("1100111111"));

    paint(MaskBrushTool::DeleteExact, QPointF(60, 250), QPointF(200, 250));
    ASSERT_EQ(model()->statusArray()->statusesPresent() & 6, 6);
    // Keep and delete: nothing left for the image's auto-fill to decide.
    EXPECT_EQ(marks().mid(0, 2) + marks().mid(5, 2), QStringLiteral("1101"));
    EXPECT_TRUE(a.cleanDelete->isEnabled());
}

TEST_F(ZtMainWindowEnablingTest, CreateCutoutNeedsAnAnalysisDoneOrPendingAndMarks) {
    makeWindow(StandaloneMode, {QStringLiteral("cutout")});
    // This time the session is not analysed as soon as it begins.
    QObject::disconnect(model(), &GmModel::sessionHasBegun, window_->edgeFinder()->options(),
                        nullptr);
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    ASSERT_TRUE(window_->fileHandler()->loadImage(testData("chelsea.png")));
    ASSERT_TRUE(test_support::waitFor([&begun] { return begun.count() == 1; }));
    waitIdle();
    QAction* cutout = window_->commands().createCutout;

    // An exact stroke needs no analysis.
    paint(MaskBrushTool::KeepExact, QPointF(60, 60), QPointF(200, 60));
    ASSERT_EQ(model()->statusArray()->statusesPresent() & 2, 2);
    EXPECT_FALSE(cutout->isEnabled());

    Gate gate;
    hold(gate);
    model()->imageSmeg()->analyse();
    ASSERT_TRUE(model()->imageSmeg()->hasPendingAnalysis());
    EXPECT_TRUE(cutout->isEnabled());
    gate.open();
    ASSERT_TRUE(analysed());
    waitIdle();
    EXPECT_TRUE(cutout->isEnabled());
}

TEST_F(ZtMainWindowEnablingTest, UndoWaitsForAnIdleEngineAndRedoOnlyForItsCount) {
    windowOnPhoto();
    const ZtMainWindowActions& a = window_->commands();
    EXPECT_EQ(states({a.undo, a.redo}), QStringLiteral("00"));
    paint(MaskBrushTool::KeepExact, QPointF(60, 60), QPointF(200, 60));
    ASSERT_GT(window_->undoCount(), 0u);
    EXPECT_EQ(states({a.undo, a.redo}), QStringLiteral("10"));

    Gate first;
    hold(first);
    EXPECT_EQ(states({a.undo, a.redo}), QStringLiteral("00"));
    first.open();
    waitIdle();
    EXPECT_EQ(states({a.undo, a.redo}), QStringLiteral("10"));

    a.undo->trigger();
    waitIdle();
    ASSERT_GT(window_->redoCount(), 0u);
    EXPECT_TRUE(a.redo->isEnabled());
    Gate second;
    hold(second);
    // A queued command keeps undo off; redo looks at its count only.
    EXPECT_EQ(states({a.undo, a.redo}), QStringLiteral("01"));
    second.open();
    waitIdle();

    // A count of all ones (the engine had none) leaves the stored counts.
    const uint32_t undos = window_->undoCount();
    const uint32_t redos = window_->redoCount();
    const uint32_t none = std::numeric_limits<uint32_t>::max();
    emit model()->vkUndoStackChanged(none, none);
    EXPECT_EQ(window_->undoCount(), undos);
    EXPECT_EQ(window_->redoCount(), redos);
}

TEST_F(ZtMainWindowEnablingTest, TheAutoFillShortcutsBelongToTheActivePatch) {
    windowOnPhoto();
    QAction* imageKeep = window_->commands().autoFillKeep;
    QAction* imageDelete = window_->commands().autoFillDelete;
    QAction* patchKeep = model()->autoFillKeepAction();
    QAction* patchDelete = model()->autoFillDeleteAction();
    const QKeySequence keep(QStringLiteral("Ctrl+Shift+K"));
    const QKeySequence remove(QStringLiteral("Ctrl+Shift+D"));

    RegionRectTool* tool = window_->rectanglePatchTool();
    ASSERT_TRUE(tool->installSlot());
    drag(*tool, QPointF(100, 80), QPointF(250, 200));
    ASSERT_TRUE(test_support::waitFor([this] { return model()->activeRegion() != nullptr; }));
    waitIdle();
    // A new patch: the arrow tool takes over, to shape it.
    EXPECT_EQ(GmTool::currentTool(), static_cast<GmTool*>(window_->arrowTool()));
    EXPECT_EQ(patchKeep->shortcut(), keep);
    EXPECT_EQ(patchDelete->shortcut(), remove);
    EXPECT_TRUE(imageKeep->shortcut().isEmpty());
    EXPECT_TRUE(imageDelete->shortcut().isEmpty());
    EXPECT_EQ(patchKeep->toolTip(), QStringLiteral("Auto-Fill Patch with Keep (Ctrl+Shift+K)"));

    // Back and forth: the shortcut is named once in the tool tip.
    model()->setActiveRegion(nullptr, 1);
    EXPECT_EQ(imageKeep->shortcut(), keep);
    EXPECT_EQ(imageDelete->shortcut(), remove);
    EXPECT_TRUE(patchKeep->shortcut().isEmpty());
    EXPECT_EQ(imageKeep->toolTip(), QStringLiteral("Auto-Fill with Keep (Ctrl+Shift+K)"));
    EXPECT_EQ(patchKeep->toolTip(), QStringLiteral("Auto-Fill Patch with Keep"));
    // A patch is something "Re&vert All" takes away.
    EXPECT_TRUE(window_->commands().revertAll->isEnabled());
}

TEST_F(ZtMainWindowEnablingTest, AProjectIsSavedOnlyWithItsStatusImageAndTheResolutionMenuFollows) {
    windowOnPhoto();
    const ZtMainWindowActions& a = window_->commands();
    EXPECT_EQ(states({a.saveProject, a.saveProjectAs}), QStringLiteral("11"));
    // While the session reopens at another resolution there is no status
    // image, and a project saved then could not be loaded.
    QStringList seen;
    QObject listening;
    QObject::connect(model(), &GmModel::statusImageChanged, &listening,
                     [&seen, &a](const QImage* image) {
                         seen << QStringLiteral("%1:%2").arg(
                             image ? "image" : "none", states({a.saveProject, a.saveProjectAs}));
                     });
    QAction* half = window_->menus().resolution->actions().at(1);
    ASSERT_EQ(half->text(), QStringLiteral("1:2"));
    half->trigger();
    ASSERT_TRUE(test_support::waitFor([this] { return model()->resolutionFactor() == 2; }));
    ASSERT_TRUE(analysed());
    waitIdle();
    seen.removeDuplicates();
    EXPECT_EQ(seen, QStringList({"none:00", "image:11"}));
    EXPECT_EQ(window_->viewOptions()->resolutionBox()->currentText(), QStringLiteral("1:2"));
    EXPECT_TRUE(half->isChecked());
    EXPECT_TRUE(prompts().asked().isEmpty());
}

} // namespace
