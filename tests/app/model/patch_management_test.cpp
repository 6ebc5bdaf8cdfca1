// The model's side of patches and forced edges: which one is active, the
// patch actions and the Delete key, deleting, the slots that submit commands,
// and the engine's record of a patch's blending.
#include "engine_bridge/vk_cmd_auto_fill.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/blending_options.h"
#include "model/brush_region.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "model/tool_hooks.h"
#include "model/view_hooks.h"
#include "command_recorder.h"
#include "model_fixture.h"

#include <QAction>
#include <QBrush>
#include <QKeySequence>
#include <QPen>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class PatchManagementTest : public ModelFixture {
protected:
    PatchManagementTest() { useImage(64, 48); }
    ~PatchManagementTest() override {
        while (!model()->allArrowTargets().isEmpty())
            delete model()->allArrowTargets().first();
        setShowViewTabHook(nullptr);
        setShowEdgesHook(nullptr);
        toolHooks().stopPatchEdit = nullptr;
    }

    static GmModel* model() { return GmModel::instance(); }
    static RectRegion* patchAt(int x, int y) {
        auto* patch = new RectRegion(QPointF(x, y));
        patch->rectangle()->dragCorner(QPointF(x + 10, y + 8));
        return patch;
    }
    static ForcedEdge* edgeFrom(const QPointF& from, const QPointF& to) {
        auto* edge = new ForcedEdge(from, 3);
        edge->polygon()->addPoint(to);
        return edge;
    }
    static QList<ArrowTarget*> targets(std::initializer_list<ArrowTarget*> list) {
        return QList<ArrowTarget*>(list);
    }
};

TEST_F(PatchManagementTest, TheActivePatchMovesToTheEndOfTheListByASwapWithTheLast) {
    struct Case {
        const char* name;
        int activated;
        std::vector<int> order;
    };
    const Case cases[] = {
        {"first swaps with the last", 0, {3, 1, 2, 0}},
        {"second swaps with the last", 1, {0, 3, 2, 1}},
        {"the last stays where it is", 3, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<RectRegion*> patches;
        for (int i = 0; i < 4; ++i)
            patches.push_back(patchAt(4 + 12 * i, 4));
        int changed = 0;
        QObject listener;
        QObject::connect(model(), &GmModel::activeRegionChanged, &listener,
                         [&](GmRegion*) { ++changed; });

        model()->setActiveRegion(patches[std::size_t(c.activated)], 1);
        QList<ArrowTarget*> expected;
        for (int index : c.order)
            expected << patches[std::size_t(index)];
        EXPECT_EQ(model()->regions(), expected) << c.name;
        EXPECT_EQ(model()->activeRegion(), patches[std::size_t(c.activated)]) << c.name;

        // Again: nothing moves, the change is told once more.
        model()->setActiveRegion(patches[std::size_t(c.activated)], 1);
        EXPECT_EQ(model()->regions(), expected) << c.name;
        EXPECT_EQ(changed, 2) << c.name;

        for (RectRegion* patch : patches)
            delete patch;
    }
}

TEST_F(PatchManagementTest, AnActivatedForcedEdgeEndsThePatchAnnouncingAndTakesTheDeleteKey) {
    RectRegion* patch = patchAt(4, 4);
    ForcedEdge* edge = edgeFrom(QPointF(2, 30), QPointF(50, 30));
    const QKeySequence deleteKey(QObject::tr("Delete"));

    model()->setActiveRegion(patch, 1);
    EXPECT_EQ(model()->deletePatchAction()->shortcut(), deleteKey);
    EXPECT_TRUE(model()->deleteForcedEdgeAction()->shortcut().isEmpty());

    QList<GmRegion*> ready;
    QObject listener;
    QObject::connect(model(), &GmModel::activeRegionReady, &listener,
                     [&](GmRegion* region) { ready << region; });
    edge->activate();
    EXPECT_EQ(ready, QList<GmRegion*>{nullptr});
    EXPECT_EQ(model()->activeRegion(), nullptr);
    EXPECT_EQ(model()->activeForcedEdge(), edge);
    EXPECT_EQ(model()->deleteForcedEdgeAction()->shortcut(), deleteKey);
    EXPECT_TRUE(model()->deletePatchAction()->shortcut().isEmpty());
    EXPECT_TRUE(model()->deleteForcedEdgeAction()->isEnabled());
    EXPECT_FALSE(model()->deletePatchAction()->isEnabled());

    // The patch takes it back.
    model()->setActiveRegion(patch, 1);
    EXPECT_EQ(model()->activeForcedEdge(), nullptr);
    EXPECT_EQ(model()->deletePatchAction()->shortcut(), deleteKey);
    EXPECT_TRUE(model()->deleteForcedEdgeAction()->shortcut().isEmpty());
    EXPECT_FALSE(model()->deleteForcedEdgeAction()->isEnabled());
}

TEST_F(PatchManagementTest, ProtectionDisablesEraseAndAutoFillButNotDeleteProtectOrPreview) {
    struct Case {
        bool isProtected;
        bool erase, autoFill;
    };
    const Case cases[] = {{false, true, true}, {true, false, false}};
    for (const Case& c : cases) {
        CommandRecorder engine;
        RectRegion* patch = patchAt(4, 4);
        if (c.isProtected) patch->setProtected(true);
        model()->setActiveRegion(patch, 1);
        EXPECT_TRUE(model()->deletePatchAction()->isEnabled()) << c.isProtected;
        EXPECT_TRUE(model()->protectPatchAction()->isEnabled()) << c.isProtected;
        EXPECT_EQ(model()->protectPatchAction()->isChecked(), c.isProtected);
        EXPECT_TRUE(model()->previewPatchAction()->isEnabled()) << c.isProtected;
        EXPECT_EQ(model()->eraseMaskInPatchAction()->isEnabled(), c.erase) << c.isProtected;
        EXPECT_EQ(model()->autoFillKeepAction()->isEnabled(), c.autoFill) << c.isProtected;
        EXPECT_EQ(model()->autoFillDeleteAction()->isEnabled(), c.autoFill) << c.isProtected;

        // Without a patch everything is off.
        model()->setActiveRegion(nullptr, 0);
        for (QAction* action : {model()->deletePatchAction(), model()->protectPatchAction(),
                                model()->eraseMaskInPatchAction(), model()->autoFillKeepAction(),
                                model()->autoFillDeleteAction(), model()->previewPatchAction()})
            EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
        delete patch;
    }
}

TEST_F(PatchManagementTest, DeletingAPatchNotInTheListDoesNothing) {
    CommandRecorder engine;
    RectRegion* drawn = patchAt(4, 4);
    std::unique_ptr<ArrowTarget> loose(ArrowTarget::createFromVariant(drawn->toVariant()));
    ASSERT_NE(loose, nullptr);
    ASSERT_FALSE(model()->containsRegion(loose.get()));
    int stopped = 0;
    toolHooks().stopPatchEdit = [&](GmRegion*) { ++stopped; };
    forgetDirtyCalls();

    model()->deleteRegion(loose->asRegion());
    model()->deleteRegion(nullptr);
    EXPECT_TRUE(dirtyCalls().isEmpty());
    EXPECT_TRUE(engine.commands().empty());
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(model()->regions(), targets({drawn}));
}

TEST_F(PatchManagementTest, DeletingAPatchStopsItsEditAndEndsItsSessionBeforeItGoes) {
    CommandRecorder engine;
    RectRegion* patch = patchAt(4, 4);
    model()->setActiveRegion(patch, 1);
    QList<GmRegion*> stopped;
    toolHooks().stopPatchEdit = [&](GmRegion* region) { stopped << region; };
    forgetDirtyCalls();

    model()->deleteActiveRegionSlot();
    EXPECT_EQ(stopped, QList<GmRegion*>{patch});
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_EQ(model()->activeRegion(), nullptr);
    bool boundsDirtied = false;
    for (const DirtyCall& call : dirtyCalls())
        boundsDirtied |= call.rect == patch->shape()->boundingRect() && call.hint == 2;
    EXPECT_TRUE(boundsDirtied);
    const QList<VkCmdEndSession*> ended = engine.commandsOf<VkCmdEndSession>();
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.first()->form(), VkCmdEndSession::DeletePatchForm);
    engine.clear(); // the end of the session deletes the patch
}

TEST_F(PatchManagementTest, ResettingReleasesEveryEngineStateAndRemovesBrushedPatches) {
    CommandRecorder engine;
    setBrushSize(5);
    RectRegion* drawn = patchAt(4, 4);
    Brushing stroke{QColor(Qt::yellow)};
    stroke.startAt(QPointF(30, 10));
    stroke.lineTo(QPointF(50, 20));
    new BrushRegion(stroke); // joins the model's patches
    ForcedEdge* edge = edgeFrom(QPointF(2, 40), QPointF(60, 40));
    ASSERT_NE(edge->shape()->mask(QPen(Qt::color1), QBrush(Qt::NoBrush)), nullptr);

    model()->resetArrowTargets();
    EXPECT_EQ(model()->regions(), targets({drawn}));
    EXPECT_EQ(model()->forcedEdges(), targets({edge}));
    EXPECT_EQ(edge->shape()->pixelState()->mask(), nullptr) << "the edge's mask is drawn afresh";
    QList<VkCmdEndSession::Form> forms;
    for (VkCmdEndSession* ended : engine.commandsOf<VkCmdEndSession>())
        forms << ended->form();
    EXPECT_EQ(forms, (QList<VkCmdEndSession::Form>{VkCmdEndSession::RecordForm,
                                                   VkCmdEndSession::RecordForm,
                                                   VkCmdEndSession::DeletePatchForm}));
    engine.clear(); // the last end of a session deletes the brushed patch
}

TEST_F(PatchManagementTest, TheSlotsSubmitTheirCommands) {
    struct Case {
        const char* name;
        std::function<void()> trigger;
        std::function<void(const CommandRecorder&)> check;
        int viewTab;
    };
    RectRegion* patch = patchAt(4, 4);
    model()->setActiveRegion(patch, 1);
    const auto fillsWith = [](int boundingClass) {
        return [boundingClass](const CommandRecorder& engine) {
            const auto fills = engine.commandsOf<VkCmdAutoFill>();
            ASSERT_EQ(fills.size(), 1);
            EXPECT_EQ(fills.first()->boundingClass(), boundingClass);
        };
    };
    const Case cases[] = {
        {"auto fill", [] { model()->autoFillImageSlot(); }, fillsWith(0), 0},
        {"image with keep", [] { model()->autoFillImageWithKeepSlot(); }, fillsWith(4), 0},
        {"patch with keep", [] { model()->autoFillWithKeepSlot(); }, fillsWith(4), 0},
        {"image with delete", [] { model()->autoFillImageWithDeleteSlot(); }, fillsWith(2), 0},
        {"patch with delete", [] { model()->autoFillWithDeleteSlot(); }, fillsWith(2), 0},
        {"erase mask in patch", [] { model()->clearMaskInActiveRegionSlot(); },
         [patch](const CommandRecorder& engine) {
             const auto selections = engine.commandsOf<VkCmdSelect>();
             ASSERT_EQ(selections.size(), 1);
             EXPECT_EQ(selections.first()->target(), VkCmdSelect::Patch);
             EXPECT_EQ(selections.first()->patch(), patch);
             EXPECT_EQ(selections.first()->fromStatus(), 14);
             EXPECT_EQ(selections.first()->toStatus(), 1);
         },
         WorkspaceTabRequest},
        {"create cut-out", [] { model()->generateMaskSlot(); },
         [](const CommandRecorder& engine) {
             const auto generations = engine.commandsOf<VkCmdGenerateMask>();
             ASSERT_EQ(generations.size(), 1);
             EXPECT_TRUE(generations.first()->isWholeImage());
             EXPECT_FALSE(generations.first()->isPatchPreview());
         },
         CutoutTabRequest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandRecorder engine;
        int shownTab = 0;
        setShowViewTabHook([&](int tab) { shownTab = tab; });
        c.trigger();
        EXPECT_EQ(engine.commands().size(), 1u);
        c.check(engine);
        EXPECT_EQ(shownTab, c.viewTab);
    }
}

TEST_F(PatchManagementTest, ThePatchEdgesShownReplaceTheImageEdgesOnlyWhenBothExistAndAreShown) {
    struct Case {
        const char* name;
        bool shown, patchAnalysed, imageAnalysed;
        bool wholeImage;
    };
    const Case cases[] = {
        {"shown, both analysed", true, true, true, true},
        {"not shown", false, true, true, false},
        {"patch not analysed", true, false, true, false},
        {"image not analysed", true, true, false, false},
    };
    VkSession patchSession{}, imageSession{};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RectRegion* patch = patchAt(4, 4);
        patchSession.analysed = c.patchAnalysed ? 1 : 0;
        imageSession.analysed = c.imageAnalysed ? 1 : 0;
        patch->smeg().setSegmentationSession(&patchSession);
        model()->imageSmeg()->setSegmentationSession(&imageSession);
        setShowEdgesHook([&] { return c.shown; });
        const auto wholeImageDirtied = [&] {
            for (const DirtyCall& call : dirtyCalls())
                if (call.rect == model()->imageRect()) return true;
            return false;
        };

        forgetDirtyCalls();
        model()->setActiveRegion(patch, 1);
        EXPECT_EQ(wholeImageDirtied(), c.wholeImage) << "activated";
        forgetDirtyCalls();
        model()->setActiveRegion(nullptr, 1);
        EXPECT_EQ(wholeImageDirtied(), c.wholeImage) << "deactivated";

        patch->smeg().setSegmentationSession(nullptr);
        model()->imageSmeg()->setSegmentationSession(nullptr);
        delete patch;
    }
}

TEST_F(PatchManagementTest, APatchRecordCarriesTheBlendModeItsValuesAndColoursAsBlueGreenRed) {
    struct Case {
        const char* name;
        bool choices, membrane;
        uint8_t mode;
        float ratio, param1, param2;
    };
    const Case cases[] = {
        {"ratio", false, false, VkBlendDefault, 0.3f, 0.0f, 0.0f},
        {"choices", true, false, VkBlendChoices, 0.0f, 0.25f, 0.75f},
        {"membrane", false, true, VkBlendMembrane, 0.0f, 0.6f, 0.0f},
        {"choices and membrane", true, true, VkBlendMembrane, 0.0f, 0.6f, 0.0f},
    };
    QImage mask(7, 5, QImage::Format_Indexed8);
    mask.fill(1);
    mask.setOffset(QPoint(3, 2));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlendingOptions options;
        options.blendRatioF_ = 0.3f;
        options.isChoices_ = c.choices;
        options.choices1F_ = 0.25f;
        options.choices2F_ = 0.75f;
        options.isMembrane_ = c.membrane;
        options.membrane1F_ = 0.6f;
        const VkPatchRecord record = patchRecordOf(options, mask, false);
        EXPECT_EQ(record.blendMode, c.mode);
        EXPECT_FLOAT_EQ(record.blendRatio, c.ratio);
        EXPECT_FLOAT_EQ(record.param1, c.param1);
        EXPECT_FLOAT_EQ(record.param2, c.param2);
    }

    const BlendingOptions options = BlendingOptions::fromVariant(QVariantMap{
        {"fgChecked_", true},
        {"fgOverride_", QVariantMap{{"qColor_", QColor(255, 128, 0)}}},
        {"bgOverride_", QVariantMap{{"qColor_", QColor(10, 20, 30)}}},
    });
    const VkPatchRecord record = patchRecordOf(options, mask, true);
    EXPECT_EQ(record.isPreview, 1);
    EXPECT_EQ(record.fgOverride, 1);
    EXPECT_EQ(record.bgOverride, 0);
    EXPECT_EQ(std::vector<int>(record.fgColour, record.fgColour + 3),
              (std::vector<int>{0, 128, 255}));
    EXPECT_EQ(std::vector<int>(record.bgColour, record.bgColour + 3),
              (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(record.maskX, 3);
    EXPECT_EQ(record.maskY, 2);
    EXPECT_EQ(record.maskWidth, 7);
    EXPECT_EQ(record.maskHeight, 5);
    EXPECT_EQ(record.maskRowBytes, mask.bytesPerLine());
    EXPECT_EQ(record.maskData, mask.constBits());
}

} // namespace
