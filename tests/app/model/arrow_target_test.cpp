#include "model/arrow_target.h"

#include "engine_bridge/vk_cmd_begin_sub_session.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "engine_bridge/vk_cmd_protect.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/brush_region.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "model/zt_app_prefs.h"
#include "command_recorder.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QPointer>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ArrowTargetTest : public ModelFixture {
protected:
    ArrowTargetTest() {
        useImage(64, 48);
        setBrushSize(5);
    }
    ~ArrowTargetTest() override {
        GmModel* model = GmModel::instance();
        while (!model->allArrowTargets().isEmpty())
            delete model->allArrowTargets().first();
        ForcedEdge::setForcedEdgesMoved(false);
    }

    static RectRegion* rectanglePatch(const QPointF& from, const QPointF& to) {
        auto* patch = new RectRegion(from);
        patch->rectangle()->dragCorner(to);
        return patch;
    }
    static ForcedEdge* forcedEdge(const QPolygonF& points) {
        auto* edge = new ForcedEdge(points.first(), 5);
        for (int i = 1; i < points.size(); ++i)
            edge->polygon()->addPoint(points.at(i));
        return edge;
    }
    // Settings that differ from every default, so that a round trip shows them.
    static void giveOwnSettings(GmRegion* patch) {
        patch->smeg().edos().sensitivity_.setCurrent(77);
        patch->smeg().edos().width_.setCurrent(9);
        patch->smeg().setChecked(true);
        patch->blendage().options().blendRatioF_ = 0.6f;
        patch->blendage().options().isChoices_ = true;
    }
};

// The map of a target read back from its own map.
QVariantMap roundTrip(ArrowTarget* target, std::unique_ptr<ArrowTarget>* copy) {
    copy->reset(ArrowTarget::createFromVariant(target->toVariant()));
    return *copy ? (*copy)->toVariant().toMap() : QVariantMap();
}

TEST_F(ArrowTargetTest, RectangleAndPolygonPatchesAndForcedEdgesComeBackFromTheirMaps) {
    GmModel* model = GmModel::instance();
    RectRegion* rectangle = rectanglePatch(QPointF(4, 4), QPointF(20, 16));
    auto* polygon = new PolyRegion(QPointF(30, 5));
    polygon->polygon()->addPoint(QPointF(50, 8));
    polygon->polygon()->addPoint(QPointF(40, 30));
    ForcedEdge* edge =
        forcedEdge(QPolygonF(QVector<QPointF>{QPointF(2, 40), QPointF(30, 44), QPointF(60, 41)}));
    giveOwnSettings(rectangle);
    giveOwnSettings(polygon);

    struct Case {
        ArrowTarget* target;
        int type;
        const char* shapeKey;
    };
    for (const Case& c :
         {Case{rectangle, 0, "rectangle_"}, Case{polygon, 1, "poly_"}, Case{edge, 3, "poly_"}}) {
        const QVariantMap map = c.target->toVariant().toMap();
        EXPECT_EQ(map.value("type").toInt(), c.type);
        EXPECT_TRUE(map.contains(c.shapeKey)) << c.shapeKey;
        std::unique_ptr<ArrowTarget> copy;
        EXPECT_EQ(roundTrip(c.target, &copy), map) << "type " << c.type;
        ASSERT_TRUE(copy);
        EXPECT_FALSE(model->allArrowTargets().contains(copy.get()))
            << "the loader, not the constructor, adds a target read from a map";
    }
    EXPECT_EQ(edge->toVariant().toMap().value("width_").toInt(), 5);
    const QVariantMap region = rectangle->toVariant().toMap().value("GmRegion").toMap();
    EXPECT_EQ(region.keys(), (QStringList{"blendage_", "isProtected_", "smeg_"}));
}

TEST_F(ArrowTargetTest, ABrushedPatchComesBackWithItsStrokeAndSettings) {
    Brushing stroke{QColor(Qt::yellow)};
    stroke.startAt(QPointF(10, 10));
    stroke.lineTo(QPointF(30, 20));
    auto* patch = new BrushRegion(stroke);
    giveOwnSettings(patch);

    const QVariantMap map = patch->toVariant().toMap();
    EXPECT_EQ(map.value("type").toInt(), 2);
    std::unique_ptr<ArrowTarget> copy(ArrowTarget::createFromVariant(map));
    ASSERT_TRUE(copy);
    auto* read = dynamic_cast<BrushRegion*>(copy.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->brushing()->picture(), patch->brushing()->picture());
    EXPECT_EQ(read->brushing()->path(), patch->brushing()->path());
    EXPECT_EQ(read->brushing()->reducedBounds(), patch->brushing()->reducedBounds());
    EXPECT_EQ(read->toVariant().toMap().value("GmRegion"), map.value("GmRegion"));
    EXPECT_EQ(read->smeg().edos().sensitivity_.current(), 77);
    EXPECT_TRUE(read->smeg().isChecked());
    EXPECT_FLOAT_EQ(read->blendage().options().blendRatioF_, 0.6f);
    EXPECT_TRUE(read->removedOnRevert());
}

TEST_F(ArrowTargetTest, AnUnknownTypeGivesNoTarget) {
    for (const QVariant& type : {QVariant(4), QVariant(-1), QVariant("rectangle"), QVariant()}) {
        QVariantMap map = rectanglePatch(QPointF(1, 1), QPointF(5, 5))->toVariant().toMap();
        map.insert("type", type);
        std::unique_ptr<ArrowTarget> target(ArrowTarget::createFromVariant(map));
        EXPECT_EQ(target, nullptr) << type.toString().toStdString();
    }
}

TEST_F(ArrowTargetTest, ADrawnForcedEdgeJoinsTheModelAndMovingItRaisesTheMovedFlag) {
    GmModel* model = GmModel::instance();
    ForcedEdge* edge = forcedEdge(QPolygonF(QVector<QPointF>{QPointF(1, 1), QPointF(9, 9)}));
    EXPECT_EQ(model->forcedEdges(), (QList<ArrowTarget*>{edge}));
    EXPECT_TRUE(edge->isForcedEdge());
    EXPECT_EQ(edge->asForcedEdge(), edge);
    EXPECT_EQ(edge->asRegion(), nullptr);
    EXPECT_FALSE(edge->polygon()->isClosed());

    EXPECT_FALSE(ForcedEdge::forcedEdgesMoved());
    edge->shapeChanged();
    EXPECT_TRUE(ForcedEdge::forcedEdgesMoved());

    delete edge;
    EXPECT_TRUE(model->forcedEdges().isEmpty()) << "a deleted target never dangles in the model";
}

TEST_F(ArrowTargetTest, TheActiveForcedEdgeHasTheActiveColourAfterAPatchWasActive) {
    GmModel* model = GmModel::instance();
    const QColor active = ZtAppPrefs::defaultColor(ZtAppPrefs::ActivePatchOrForcedEdgeColor);
    const QColor other = ZtAppPrefs::defaultColor(ZtAppPrefs::PatchOrForcedEdgeColor);
    RectRegion* patch = rectanglePatch(QPointF(4, 4), QPointF(20, 16));
    ForcedEdge* edge = forcedEdge(QPolygonF(QVector<QPointF>{QPointF(1, 30), QPointF(40, 30)}));

    patch->activate();
    EXPECT_EQ(patch->outlineColour(), active);
    EXPECT_EQ(edge->outlineColour(), other);

    edge->activate();
    EXPECT_EQ(model->activeForcedEdge(), edge);
    EXPECT_EQ(model->activeRegion(), nullptr) << "activating an edge clears the active patch";
    EXPECT_EQ(edge->outlineColour(), active);
    EXPECT_EQ(patch->outlineColour(), other);
    EXPECT_FALSE(patch->isActive());

    edge->deactivate();
    EXPECT_EQ(model->activeForcedEdge(), nullptr);
    EXPECT_EQ(edge->outlineColour(), other);
}

TEST_F(ArrowTargetTest,
       MovingAProtectedPatchReleasesItsProtectionLaysTheOthersAgainAndProtectsItAnew) {
    CommandRecorder engine;
    RectRegion* moved = rectanglePatch(QPointF(4, 4), QPointF(20, 16));
    RectRegion* unprotected = rectanglePatch(QPointF(30, 4), QPointF(40, 16));
    RectRegion* other = rectanglePatch(QPointF(4, 24), QPointF(20, 40));
    moved->setProtected(true);
    other->setProtected(true);
    ASSERT_EQ(engine.commandsOf<VkCmdProtect>().size(), 2);
    engine.clear();

    moved->shapeChanged(); // the arrow tool moved it

    // Released: the others' protection laid again without its own, its sessions ended.
    const auto& commands = engine.commands();
    ASSERT_EQ(commands.size(), 5u) << engine.descriptions().join(", ").toStdString();
    auto* clear = dynamic_cast<VkCmdSelect*>(commands[0].get());
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->target(), VkCmdSelect::WholeImage);
    EXPECT_EQ(clear->fromStatus(), VkStatusPatchProtection);
    EXPECT_EQ(clear->toStatus(), VkStatusUnassigned);
    auto* again = dynamic_cast<VkCmdProtect*>(commands[1].get());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->patch(), other);
    auto* ended = dynamic_cast<VkCmdEndSession*>(commands[2].get());
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->form(), VkCmdEndSession::RecordForm);
    // Put in again at its new place, protected anew.
    auto* subSession = dynamic_cast<VkCmdBeginSubSession*>(commands[3].get());
    ASSERT_NE(subSession, nullptr);
    EXPECT_EQ(subSession->patch(), moved);
    auto* anew = dynamic_cast<VkCmdProtect*>(commands[4].get());
    ASSERT_NE(anew, nullptr);
    EXPECT_EQ(anew->patch(), moved);

    EXPECT_TRUE(moved->isProtected());
    EXPECT_EQ(moved->editCount(), 1);
    EXPECT_TRUE(moved->isActive());
    EXPECT_EQ(GmModel::instance()->regions().last(), moved) << "the active patch is drawn last";
    EXPECT_FALSE(unprotected->isProtected());
}

TEST_F(ArrowTargetTest, APatchDeletedWhileTheEngineThreadIsClosedIsNotLeftBehind) {
    CommandRecorder engine;
    QPointer<RectRegion> patch = rectanglePatch(QPointF(4, 4), QPointF(20, 16));
    engine.thread().setOpen(false); // draining before a session opens again
    GmModel::instance()->deleteRegion(patch);
    EXPECT_FALSE(GmModel::instance()->containsRegion(patch));
    EXPECT_TRUE(engine.commandsOf<VkCmdEndSession>().isEmpty()) << "no session can end now";
    EXPECT_TRUE(test_support::waitFor([&] { return patch.isNull(); }));
    engine.thread().setOpen(true);
}

TEST_F(ArrowTargetTest, ProtectionOffLaysTheOthersAgainAndTellsTheModel) {
    CommandRecorder engine;
    RectRegion* patch = rectanglePatch(QPointF(4, 4), QPointF(20, 16));
    int told = 0;
    QObject receiver;
    QObject::connect(GmModel::instance(), &GmModel::protectionChanged, &receiver,
                     [&](GmRegion* region) { told += region == patch; });
    patch->setProtected(true);
    patch->setProtected(false);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(engine.descriptions(), (QStringList{"Protecting Patch...", "Making Selection..."}));
}

} // namespace
