// A document without a window: images, sessions, strokes, undo and redo and
// auto fill, through the model, the real engine thread and the engine.
#include "document_fixture.h"

#include "engine_bridge/vk_cmd_begin_session.h"
#include "engine_bridge/vk_cmd_finish.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_num_available_undo_redo.h"
#include "engine_bridge/vk_cmd_redo.h"
#include "engine_bridge/vk_cmd_select.h"
#include "engine_bridge/vk_cmd_undo.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/forced_edge.h"
#include "model/gm_brushing.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "support/test_environment.h"

#include <QPointer>
#include <QSignalSpy>

#include <atomic>
#include <cstring>
#include <memory>

namespace {

using Document = DocumentFixture;

TEST_F(Document, TheSessionBeginsOverTheWorkspaceCopyAndSessionHasBegunFollows) {
    QList<const QImage*> statusImages;
    int images = 0;
    QObject listener;
    QObject::connect(model(), &GmModel::statusImageChanged, &listener,
                     [&](const QImage* image) { statusImages << image; });
    QObject::connect(model(), &GmModel::tellImageChanged, &listener,
                     [&](const ZtSourceImage* image) { images += image != nullptr; });
    openImage(twoHalves());

    EXPECT_NE(model()->engine(), nullptr);
    ASSERT_NE(model()->imageSession(), nullptr);
    EXPECT_EQ(model()->imageSmeg()->segmentationSession(), model()->imageSession());
    EXPECT_TRUE(model()->imageSmeg()->isChecked());
    EXPECT_FALSE(model()->imageSmeg()->hasSegmentation());
    const QImage& status = model()->statusArray()->statusImage();
    EXPECT_EQ(status.size(), QSize(80, 60));
    EXPECT_EQ(statusAt(0, 0), VkStatusUnassigned);
    EXPECT_EQ(model()->statusArray()->statusesPresent(), VkStatusUnassigned);
    ASSERT_FALSE(statusImages.isEmpty());
    EXPECT_EQ(statusImages.last(), &model()->statusArray()->statusImage());
    EXPECT_EQ(images, 1);
    // The engine's suggestion, applied and stored.
    const EDOs& edos = model()->imageSmeg()->edos();
    EXPECT_FALSE(edos.anyEdited());
    EXPECT_EQ(edos.sensitivity_.saved(), edos.sensitivity_.applied());
    EXPECT_EQ(edos.sensitivity_.defaultValue(), edos.sensitivity_.current());
    EXPECT_TRUE(model()->isUnmodified());
}

TEST_F(Document, AKeepStrokeRunsNoAutoComplexUntilDeleteMarksExist) {
    openImage(twoHalves());
    analyse();

    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeLocal);
    EXPECT_GT(countWith(VkStatusKeep), 0);
    EXPECT_EQ(countWith(VkStatusBlend), 0) << "no delete marks: no auto complex";

    stroke(QPointF(60, 30), QPointF(70, 30), VkStatusDelete, VkScopeLocal);
    EXPECT_GT(countWith(VkStatusDelete), 0);
    EXPECT_GT(countWith(VkStatusBlend), 0) << "delete met keep: blend along the border";
    EXPECT_EQ(model()->statusArray()->statusesPresent() & 0x0E, 0x0E);
}

TEST_F(Document, ALocalStrokeInAPatchNeverAnalysedOnItsOwnShowsTheApplyTip) {
    openImage(twoHalves());
    analyse();
    auto* patch = new RectRegion(QPointF(4, 4));
    patch->rectangle()->dragCorner(QPointF(36, 56));
    patch->smeg().setChecked(true); // "Analyze Patch Separately", never applied
    patch->beginSubSession(nullptr);
    waitIdle();
    ASSERT_NE(patch->smeg().session(), nullptr);
    ASSERT_TRUE(patch->isActive());
    const int unassigned = countWith(VkStatusUnassigned);

    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeLocal);
    ASSERT_EQ(tips().size(), 1);
    EXPECT_TRUE(tips().first().contains("<b>Apply</b>"));
    EXPECT_EQ(countWith(VkStatusKeep), 0) << "nothing changed";
    EXPECT_EQ(countWith(VkStatusUnassigned), unassigned);

    // Exact scope needs no analysis: applied in the patch's session.
    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeExact);
    EXPECT_EQ(tips().size(), 1);
    EXPECT_GT(countWith(VkStatusKeep), 0);
    EXPECT_EQ(statusAt(15, 30) & VkStatusClassMask, VkStatusKeep);
}

TEST_F(Document, ALocalStrokeBeforeAnyAnalysisShowsTheNoSegmentationTipAndStillRefreshesUndo) {
    openImage(twoHalves());
    QSignalSpy counts(model(), &GmModel::vkUndoStackChanged);

    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeLocal);
    ASSERT_EQ(tips().size(), 1);
    EXPECT_TRUE(tips().first().contains("no segmentation was available"));
    EXPECT_EQ(countWith(VkStatusKeep), 0) << "nothing changed";
    EXPECT_EQ(counts.count(), 1) << "the undo counts are read after a failed selection too";

    // Without a session the undo-count query is not run at all.
    model()->closeImage();
    waitIdle();
    counts.clear();
    submitAndWait(new VkCmdUndo(model()));
    EXPECT_EQ(counts.count(), 0);
}

TEST_F(Document, AutoFillOfTheImageWithOnlyDeleteMarksFillsWithKeep) {
    openImage(twoHalves());
    analyse();
    stroke(QPointF(60, 10), QPointF(60, 50), VkStatusDelete, VkScopeExact);
    ASSERT_EQ(countWith(VkStatusKeep), 0);

    model()->autoFillImageSlot(); // bounding class 0: the engine takes delete
    waitIdle();
    EXPECT_GT(countWith(VkStatusKeep), 0);
    EXPECT_EQ(statusAt(5, 5) & VkStatusClassMask, VkStatusKeep);
    EXPECT_EQ(statusAt(60, 30) & VkStatusClassMask, VkStatusDelete);
}

// Apply 70, then Apply 30 while the first analysis runs: the first is
// cancelled, and its end must not roll the applied values back under the
// segmentation the second makes. Cancelling both goes back to the values
// applied before.
TEST_F(Document, ACancelledAnalysisRollsBackOnlyWhileItIsTheLatestApply) {
    openImage(twoHalves());
    EDOs& edos = model()->imageSmeg()->edos();
    const int before = edos.sensitivity_.applied();
    ASSERT_NE(before, 70);
    ASSERT_NE(before, 30);
    struct Case {
        const char* what;
        bool cancelAll;
        int applied;
    };
    const Case cases[] = {
        {"the second runs", false, 30},
        {"both cancelled", true, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        edos.sensitivity_.setCurrent(70);
        {
            WorkerHold hold(thread());
            model()->imageSmeg()->analyse();
            ASSERT_TRUE(hold.waitStarted());
            edos.sensitivity_.setCurrent(30);
            model()->imageSmeg()->analyse();
            if (c.cancelAll) thread().cancelCommandsSlot();
            hold.release();
            waitIdle();
        }
        if (!c.cancelAll) {
            EXPECT_TRUE(model()->imageSmeg()->hasSegmentation());
        }
        EXPECT_EQ(edos.sensitivity_.applied(), c.applied);
        EXPECT_EQ(edos.sensitivity_.saved(), before);
    }
}

// Laying a forced edge and clearing patch protection change marks that are
// not the user's strokes: they join the last undo step instead of making one.
TEST_F(Document, ForcedEdgesAndPatchProtectionJoinTheLastUndoStep) {
    openImage(twoHalves());
    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeExact);
    ASSERT_EQ(model()->undoCount(), 1u);

    auto* edge = new ForcedEdge(QPointF(5, 50), 3);
    edge->polygon()->addPoint(QPointF(70, 50));
    edge->submitToEngine();
    waitIdle();
    ASSERT_GT(countWith(VkStatusForcedEdge), 0);
    EXPECT_EQ(model()->undoCount(), 1u) << "laying a forced edge";

    auto* patch = new RectRegion(QPointF(50, 4));
    patch->rectangle()->dragCorner(QPointF(70, 20));
    patch->beginSubSession(nullptr);
    patch->setProtected(true);
    waitIdle();
    ASSERT_GT(countWith(VkStatusPatchProtection), 0);
    patch->setProtected(false); // protection cleared over the image, laid again for none
    waitIdle();
    ASSERT_EQ(countWith(VkStatusPatchProtection), 0);
    EXPECT_EQ(model()->undoCount(), 1u) << "clearing protection";
}

// A patch analysed on its own ("Analyze Patch Separately") selects and fills
// by the regions of its own analysis, even while the image has none.
TEST_F(Document, APatchAnalysedOnItsOwnSelectsAndFillsByItsOwnRegions) {
    openImage(twoHalves());
    RectRegion* patch = analysedOwnPatch(QPointF(20, 10), QPointF(60, 50));
    ASSERT_TRUE(patch->smeg().hasSegmentation());
    ASSERT_FALSE(model()->imageSmeg()->hasSegmentation());
    ASSERT_TRUE(patch->isActive());

    stroke(QPointF(24, 30), QPointF(28, 30), VkStatusKeep, VkScopeLocal);
    EXPECT_TRUE(tips().isEmpty());
    EXPECT_EQ(statusAt(37, 12) & VkStatusClassMask, VkStatusKeep) << "the patch's dark region";
    EXPECT_EQ(statusAt(45, 30), VkStatusUnassigned) << "the light one";
    EXPECT_EQ(statusAt(10, 30), VkStatusUnassigned) << "outside the patch";

    model()->autoFillWithDeleteSlot();
    waitIdle();
    const QRect inside(20, 10, 40, 40);
    EXPECT_EQ(statusAt(55, 45) & VkStatusClassMask, VkStatusDelete);
    EXPECT_GT(countWith(VkStatusBlend, inside), 0) << "a blend band along the patch's own edges";
    EXPECT_EQ(statusAt(10, 30), VkStatusUnassigned) << "outside the patch";
}

// Auto complex after a stroke blends as wide as the active patch says, or
// the image without one.
TEST_F(Document, AStrokeBlendsWithTheWidthOfTheActivePatchOrTheImage) {
    openImage(twoHalves());
    model()->imageBlendage()->options().autoBlueWidthF_ = 1.5f;
    auto* patch = new RectRegion(QPointF(20, 10));
    patch->rectangle()->dragCorner(QPointF(60, 50));
    patch->beginSubSession(nullptr);
    waitIdle();
    patch->blendage().options().autoBlueWidthF_ = 4.0f;
    const auto widthOfAStroke = [this] {
        std::unique_ptr<VardekCommand> command(
            strokeCommand(QPointF(24, 30), QPointF(28, 30), VkStatusKeep, VkScopeLocal));
        return static_cast<VkCmdSelect*>(command.get())->blendWidth();
    };
    ASSERT_TRUE(patch->isActive());
    EXPECT_FLOAT_EQ(widthOfAStroke(), 4.0f);
    model()->setActiveRegion(nullptr, 0);
    EXPECT_FLOAT_EQ(widthOfAStroke(), 1.5f);
}

// A patch whose sub-session cannot begin (here: the document's session has
// ended) leaves the document.
TEST_F(Document, APatchWhoseSubSessionCannotBeginIsDeleted) {
    openImage(twoHalves());
    model()->closeSession(nullptr, nullptr);
    waitIdle();
    auto* patch = new RectRegion(QPointF(20, 10));
    patch->rectangle()->dragCorner(QPointF(60, 50));
    const QPointer<RectRegion> alive(patch);
    patch->beginSubSession(nullptr);
    waitIdle();
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_TRUE(test_support::waitFor([&] { return alive.isNull(); }));
    model()->openSession();
    waitIdle();
}

// Closing the document cancels what was still queued for it.
TEST_F(Document, ClosingTheDocumentCancelsTheWorkStillQueued) {
    openImage(twoHalves());
    QList<VardekCommand*> discarded;
    QObject listener;
    QObject::connect(&thread(), &VardekThread::commandDiscarded, &listener,
                     [&](VardekCommand* command) { discarded << command; });
    WorkerHold hold(thread());
    thread().submit(new VkCmdNumAvailableUndoRedo(model()));
    ASSERT_TRUE(hold.waitStarted());
    VardekCommand* keep = strokeCommand(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, 0);
    VardekCommand* remove = strokeCommand(QPointF(60, 30), QPointF(70, 30), VkStatusDelete, 0);
    thread().submit(keep);
    thread().submit(remove);

    model()->closeImage();
    hold.release();
    waitIdle();
    EXPECT_TRUE(discarded.contains(keep));
    EXPECT_TRUE(discarded.contains(remove));
}

// The window closes the engine thread while "Save and Apply" makes its
// cut-out, and the document closes: the end of its session is refused, but
// the images it would delete stay until the cut-out no longer reads them.
TEST_F(Document, ImagesOfADocumentClosedWhileTheThreadIsClosedLiveUntilTheCutoutIsMade) {
    openImage(twoHalves());
    analyse();
    stroke(QPointF(10, 30), QPointF(30, 30), VkStatusKeep, VkScopeLocal);
    stroke(QPointF(50, 30), QPointF(70, 30), VkStatusDelete, VkScopeLocal);
    const QPointer<ZtSourceImage> source(model()->sourceImage());
    const QPointer<ZtSourceImage> working(model()->workingImage());
    {
        WorkerHold hold(thread());
        thread().submit(new VkCmdGenerateMask(model(), static_cast<const ImageRectF*>(nullptr)),
                        VardekThread::NotCancellable);
        ASSERT_TRUE(hold.waitStarted());
        thread().setOpen(false);
        model()->closeImage();
        EXPECT_FALSE(
            test_support::waitFor([&] { return source.isNull() || working.isNull(); }, 200));
        hold.release();
        EXPECT_TRUE(test_support::waitFor([&] { return !thread().isBusy(); }));
    }
    EXPECT_TRUE(test_support::waitFor([&] { return source.isNull() && working.isNull(); }));
    // The engine's finish was refused too.
    thread().setOpen(true);
    submitAndWait(new VkCmdFinish(model()));
}

TEST_F(Document, AForcedEdgeDeletedWhileItsSelectionRunsTakesNothingFromTheEngine) {
    openImage(twoHalves());
    auto* edge = new ForcedEdge(QPointF(5, 5), 3);
    edge->polygon()->addPoint(QPointF(70, 50));

    // Hold the worker as it starts, before the engine reads the edge's mask.
    std::atomic<bool> started{false}, release{false};
    const QMetaObject::Connection hold = QObject::connect(
        &thread(), &QThread::started, &thread(),
        [&] {
            started = true;
            while (!release.load())
                QThread::msleep(1);
        },
        Qt::DirectConnection);
    thread().submit(new VkCmdSelect(model(), edge));
    ASSERT_TRUE(test_support::waitFor([&] { return started.load(); }));
    model()->deleteForcedEdge(edge); // the edge, its polygon and its mask are freed
    release = true;
    waitIdle();
    QObject::disconnect(hold);

    EXPECT_GT(countWith(VkStatusForcedEdge), 0) << "the command had its own copy of the mask";
    EXPECT_TRUE(model()->forcedEdges().isEmpty());
}

TEST_F(Document, OpeningASessionWhileTheEngineWorksKeepsTheWindowBusyUntilTheQueueDrained) {
    openImage(twoHalves());
    stroke(QPointF(10, 30), QPointF(20, 30), VkStatusKeep, VkScopeExact);
    QVector<bool> busy;
    setWindowBusyHook([&](bool on) { busy << on; });
    std::atomic<bool> release{false};
    struct Blocker : VardekCommand {
        explicit Blocker(std::atomic<bool>& r) : VardekCommand(nullptr), release(r) {}
        void execute() override {
            while (!release.load())
                QThread::msleep(1);
        }
        std::atomic<bool>& release;
    };
    thread().submit(new Blocker(release), VardekThread::NotCancellable);
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    QSignalSpy factors(model(), &GmModel::resolutionChanged);
    test_support::prompts().answer(PromptService::Yes);

    model()->setResolution(2);
    EXPECT_EQ(busy, QVector<bool>{true});
    EXPECT_FALSE(thread().isOpen());
    EXPECT_EQ(model()->resolutionFactor(), 2);

    release = true;
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    setWindowBusyHook(nullptr);
    EXPECT_EQ(busy, (QVector<bool>{true, false}));
    EXPECT_EQ(model()->statusArray()->statusImage().size(), QSize(40, 30));
    EXPECT_EQ(model()->statusArray()->statusesPresent(), VkStatusUnassigned)
        << "the marks went with the old resolution";
    ASSERT_EQ(factors.count(), 1);
    EXPECT_EQ(factors.at(0).at(0).toInt(), 1);
    EXPECT_EQ(factors.at(0).at(1).toInt(), 2);
}

TEST_F(Document, ASessionBegunForAResolutionChangedAgainWhileItBeganIsEnded) {
    openImage(twoHalves());
    // The first session of the new resolution is held while it begins; the
    // second change of resolution comes meanwhile, before the model holds it.
    std::atomic<bool> held{false}, release{false};
    QObject context;
    QObject::connect(
        &thread(), &QThread::started, &context,
        [&] {
            if (release.load() || !qobject_cast<VkCmdBeginSession*>(thread().currentCommand()))
                return;
            held = true;
            while (!release.load())
                QThread::msleep(1);
        },
        Qt::DirectConnection);
    QList<VkSession*> sessions;
    QObject::connect(&thread(), &VardekThread::commandFinished, &context,
                     [&](VardekCommand* command) {
                         if (auto* begin = qobject_cast<VkCmdBeginSession*>(command))
                             sessions << begin->session();
                     });
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);

    model()->setResolution(2);
    ASSERT_TRUE(test_support::waitFor([&] { return held.load(); }));
    model()->setResolution(4);
    release = true;
    ASSERT_TRUE(test_support::waitFor([&] { return sessions.size() == 2; }));
    waitIdle();

    EXPECT_EQ(model()->resolutionFactor(), 4);
    EXPECT_EQ(model()->imageSession(), sessions.at(1));
    EXPECT_EQ(model()->statusArray()->statusImage().size(), QSize(20, 15));
    uint32_t undos = 0;
    EXPECT_EQ(VkNumAvailableUndo(sessions.at(1), &undos), VkOk);
    EXPECT_NE(VkNumAvailableUndo(sessions.at(0), &undos), VkOk)
        << "the session begun for the closed resolution was ended";
}

TEST_F(Document, TheMapFormBringsTheDocumentBackWithItsStatusesAndTargets) {
    openImage(twoHalves());
    analyse();
    stroke(QPointF(10, 30), QPointF(30, 30), VkStatusKeep, VkScopeExact);
    auto* patch = new RectRegion(QPointF(44, 4));
    patch->rectangle()->dragCorner(QPointF(76, 20));
    patch->beginSubSession(nullptr);
    auto* edge = new ForcedEdge(QPointF(2, 50), 4);
    edge->polygon()->addPoint(QPointF(70, 50));
    edge->submitToEngine();
    waitIdle();
    const QImage statuses = model()->statusArray()->statusImage().copy();
    ASSERT_GT(countWith(VkStatusForcedEdge), 0);
    const QVariant map = model()->toVariant();
    EXPECT_EQ(map.toMap().value("arrowTargetList").toList().size(), 2);

    model()->closeImage();
    waitIdle();
    ASSERT_EQ(model()->sourceImage(), nullptr);
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    model()->fromVariant(map);
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();

    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
    ASSERT_NE(model()->sourceImage(), nullptr);
    EXPECT_EQ(model()->sourceImage()->width(), 80);
    EXPECT_EQ(model()->regions().size(), 1);
    EXPECT_EQ(model()->forcedEdges().size(), 1);
    GmRegion* read = model()->regions().first()->asRegion();
    ASSERT_NE(read, nullptr);
    EXPECT_NE(read->smeg().session(), nullptr) << "the patch is back in the engine";
    const QImage& restored = model()->statusArray()->statusImage();
    ASSERT_EQ(restored.size(), statuses.size());
    for (int y = 0; y < restored.height(); ++y)
        ASSERT_EQ(std::memcmp(restored.constScanLine(y), statuses.constScanLine(y),
                              size_t(restored.width())),
                  0)
            << "row " << y;
}

// The whole road without a window: a photograph opens, is analysed, gets keep
// and delete strokes (blend where they meet), undo and redo, and auto fill.
TEST_F(Document, APhotographFromLoadingThroughStrokesUndoRedoAndAutoFill) {
    QVector<QPair<uint32_t, uint32_t>> undoCounts;
    QObject listener;
    QObject::connect(
        model(), &GmModel::vkUndoStackChanged, &listener,
        [&](uint32_t undos, uint32_t redos) { undoCounts << qMakePair(undos, redos); });
    openFile(QStringLiteral("chelsea.png"));
    ASSERT_EQ(model()->statusArray()->statusImage().size(), QSize(451, 300));
    analyse();
    EXPECT_FALSE(model()->imageSmeg()->objectEdges().isEmpty());

    // Keep across the cat's face, delete on the background to the right.
    stroke(QPointF(150, 160), QPointF(360, 160), VkStatusKeep, VkScopeLocal);
    const int keep = countWith(VkStatusKeep);
    EXPECT_GT(keep, 0);
    EXPECT_EQ(countWith(VkStatusBlend), 0);
    stroke(QPointF(425, 20), QPointF(425, 280), VkStatusDelete, VkScopeLocal);
    const int remove = countWith(VkStatusDelete), blend = countWith(VkStatusBlend);
    EXPECT_GT(remove, 0);
    EXPECT_GT(blend, 0) << "auto complex where delete met keep";
    EXPECT_EQ(model()->undoCount(), 2u);
    EXPECT_FALSE(model()->isUnmodified());

    submitAndWait(new VkCmdUndo(model()));
    EXPECT_EQ(countWith(VkStatusDelete), 0) << "the delete stroke and its blend are one step";
    EXPECT_EQ(countWith(VkStatusBlend), 0);
    EXPECT_EQ(countWith(VkStatusKeep), keep);
    EXPECT_EQ(model()->undoCount(), 1u);
    EXPECT_EQ(model()->redoCount(), 1u);

    submitAndWait(new VkCmdRedo(model()));
    EXPECT_EQ(countWith(VkStatusDelete), remove);
    EXPECT_EQ(countWith(VkStatusBlend), blend);
    EXPECT_EQ(model()->redoCount(), 0u);

    model()->autoFillImageSlot();
    waitIdle();
    EXPECT_EQ(countWith(VkStatusUnassigned), 0) << "every pixel has a class now";
    EXPECT_EQ(model()->undoCount(), 3u);
    ASSERT_FALSE(undoCounts.isEmpty());
    EXPECT_EQ(undoCounts.last(), qMakePair(3u, 0u));
}

} // namespace
