#include "model/segmentation_stuff.h"

#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QSignalSpy>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Holds the engine thread's worker until released, so that what is
// submitted after it stays queued.
class BlockingCommand : public VardekCommand {
public:
    explicit BlockingCommand(std::atomic<bool>& release)
        : VardekCommand(nullptr), release_(release) {}
    void execute() override {
        while (!release_.load())
            QThread::msleep(1);
    }

private:
    std::atomic<bool>& release_;
};

// Counts how often the edge-finding panel is asked to update its buttons.
class Requester : public QObject {
    Q_OBJECT
public:
    int calls = 0;
public slots:
    void setEnablednessOfButtons() { ++calls; }
};

class SegmentationStuffTest : public ModelFixture {
protected:
    ~SegmentationStuffTest() override {
        GmModel* model = GmModel::instance();
        while (!model->allArrowTargets().isEmpty())
            delete model->allArrowTargets().first();
        model->imageSmeg()->edos().setAllToDefault();
        model->imageSmeg()->edos().applyAll();
        model->imageSmeg()->edos().storeAll();
    }
};

TEST_F(SegmentationStuffTest, ANewPatchStartsFromTheImagesAppliedValues) {
    useImage(32, 32);
    EDOs& image = GmModel::instance()->imageSmeg()->edos();
    image.sensitivity_.setCurrent(80);
    image.applyAll();
    image.sensitivity_.setCurrent(20); // edited in the panel, not applied
    image.width_.setCurrent(7);

    RectRegion patch(QPointF(2, 2));
    const EDOs& own = patch.smeg().edos();
    EXPECT_EQ(own.sensitivity_.current(), 80);
    EXPECT_EQ(own.sensitivity_.applied(), 80);
    EXPECT_EQ(own.width_.current(), EDOs::DefaultWidth);
    EXPECT_FALSE(own.anyEdited());
    EXPECT_EQ(patch.smeg().owner(), &patch);
    EXPECT_FALSE(patch.smeg().isChecked());
}

TEST_F(SegmentationStuffTest, TheMapKeepsTheCheckAndTheValuesButNoSessions) {
    SegmentationStuff record(nullptr);
    record.edos().contrast_.setCurrent(2);
    record.setChecked(true);
    const QVariantMap map = record.toVariant().toMap();
    EXPECT_EQ(map.keys(), (QStringList{"edos_", "isChecked_"}));
    SegmentationStuff read(map, nullptr);
    EXPECT_TRUE(read.isChecked());
    EXPECT_EQ(read.edos().contrast_.current(), 2);
    EXPECT_EQ(read.session(), nullptr);

    QVariantMap damaged = map;
    damaged.insert("isChecked_", "perhaps");
    EXPECT_FALSE(SegmentationStuff(damaged, nullptr).isChecked());
}

TEST_F(SegmentationStuffTest, AnalysingAgainCancelsThePendingAnalysis) {
    VardekThread thread;
    std::atomic<bool> release{false};
    thread.submit(new BlockingCommand(release));
    SegmentationStuff* image = GmModel::instance()->imageSmeg();
    image->edos().sensitivity_.setCurrent(66);
    QSignalSpy begun(GmModel::instance(), &GmModel::imageAnalysisHasBegun);
    QSignalSpy smeg(GmModel::instance(), &GmModel::smegChanged);
    qRegisterMetaType<VardekCommand*>();
    QSignalSpy discarded(&thread, &VardekThread::commandDiscarded);
    Requester panel;

    image->analyse(&panel);
    VkCmdAnalyseImage* first = image->pendingAnalysis();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(image->edos().sensitivity_.applied(), 66) << "applied before the command is built";
    EXPECT_FLOAT_EQ(first->options().tolerance, 65 * 0.0101010101f);
    EXPECT_EQ(panel.calls, 1);

    image->analyse();
    ASSERT_EQ(discarded.count(), 1);
    EXPECT_EQ(discarded.at(0).at(0).value<VardekCommand*>(), first);
    EXPECT_NE(image->pendingAnalysis(), first);
    EXPECT_TRUE(image->hasPendingAnalysis());
    EXPECT_EQ(begun.count(), 2);
    EXPECT_EQ(smeg.count(), 2);
    EXPECT_TRUE(test_support::waitFor([&] { return panel.calls == 2; }))
        << "the panel hears when its command is gone";

    release = true;
    EXPECT_TRUE(
        test_support::waitFor([&] { return !thread.isBusy() && !image->hasPendingAnalysis(); }));
    // Without a session nothing ran: the applied values went back to the saved ones.
    EXPECT_EQ(image->edos().sensitivity_.applied(), EDOs::DefaultSensitivity);
}

} // namespace

#include "segmentation_stuff_test.moc"
