#include "model/gm_model.h"

#include "engine_bridge/vk_cmd_begin_session.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "engine_bridge/vk_cmd_init.h"
#include "engine_bridge/vk_cmd_new_status_image.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_brushing.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/tool_hooks.h"
#include "command_recorder.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

namespace {

using GmModelTest = ModelFixture;

TEST_F(GmModelTest, StartsWithoutImageAtFactorOne) {
    GmModel* const model = GmModel::instance();
    EXPECT_EQ(model, GmModel::instance());
    EXPECT_EQ(model->sourceImage(), nullptr);
    EXPECT_EQ(model->resolutionFactor(), 1);
    EXPECT_TRUE(model->workspaceImage().isNull());
    EXPECT_TRUE(model->imageRect().isEmptyValue());
}

TEST_F(GmModelTest, TakesOnlyFactorsOneTwoFourAndEight) {
    GmModel* const model = GmModel::instance();
    for (const int factor : {1, 2, 4, 8}) {
        EXPECT_TRUE(model->setResolutionFactor(factor));
        EXPECT_EQ(model->resolutionFactor(), factor);
    }
    for (const int factor : {0, -2, 3, 16}) {
        EXPECT_FALSE(model->setResolutionFactor(factor));
        EXPECT_EQ(model->resolutionFactor(), 8);
    }
}

TEST_F(GmModelTest, WorkspaceImageIsTheSourceReducedByTheFactor) {
    useImage(40, 30, 4);
    GmModel* const model = GmModel::instance();
    EXPECT_EQ(model->workspaceImage().size(), QSize(10, 8));
    EXPECT_EQ(QRectF(model->imageRect()), QRectF(0, 0, 40, 30));
    model->setResolutionFactor(2);
    EXPECT_EQ(model->workspaceImage().size(), QSize(20, 15));
}

TEST_F(GmModelTest, StrokesRegisterWhileTheyExist) {
    useImage(20, 20);
    GmModel* const model = GmModel::instance();
    auto first = std::make_unique<GmBrushing>(Qt::green);
    auto second = std::make_unique<GmBrushing>(Qt::red);
    EXPECT_EQ(model->brushings(), (QList<GmBrushing*>{first.get(), second.get()}));
    ASSERT_NE(first->brushing(), nullptr);
    EXPECT_EQ(first->brushing()->colour(), QColor(Qt::green));
    EXPECT_EQ(first->brushing()->size(), QSize(20, 20));

    first.reset();
    EXPECT_EQ(model->brushings(), (QList<GmBrushing*>{second.get()}));
    second.reset();
    EXPECT_TRUE(model->brushings().isEmpty());
}

TEST_F(GmModelTest, ChoosesTheSmallestFactorThatBringsTheWorkspaceToFourMillionPixels) {
    GmModel* const model = GmModel::instance();
    const struct {
        quint64 pixels;
        int factor;
    } cases[] = {{4000000, 1},
                 {4000001, 2},
                 {16000000, 4},
                 {16000004, 8},
                 {40000000, 8},
                 // 4,295,032,832 pixels, which wrap to 65,536 in 32 bits.
                 {65536ull * 65537ull, 8}};
    for (const auto& c : cases) {
        model->setResolutionFactor(4);
        QSignalSpy changed(model, &GmModel::resolutionChanged);
        model->chooseResolution(c.pixels);
        EXPECT_EQ(model->resolutionFactor(), c.factor) << c.pixels;
        ASSERT_EQ(changed.count(), 1);
        EXPECT_EQ(changed.at(0).at(0).toInt(), 4);
        EXPECT_EQ(changed.at(0).at(1).toInt(), c.factor);
    }
}

TEST_F(GmModelTest, TheWorkingPixelColourIsTheWorkspacePixelUnderAnImagePoint) {
    QImage pixels(8, 6, QImage::Format_ARGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            pixels.setPixel(x, y, qRgb(x / 2 * 50, y / 2 * 60, 7));
    ZtSourceImage image{NamedImage(pixels, QUrl())};
    GmModel* const model = GmModel::instance();
    model->setSourceImage(&image);
    model->setResolutionFactor(2);
    const struct {
        double x, y;
        QColor colour;
    } cases[] = {{0, 0, QColor(0, 0, 7)},        {3.9, 5.9, QColor(50, 120, 7)},
                 {4.0, 2.0, QColor(100, 60, 7)}, {7.99, 0.5, QColor(150, 0, 7)},
                 {8.0, 0.0, QColor(Qt::black)},  {-0.5, 1.0, QColor(Qt::black)}};
    for (const auto& c : cases)
        EXPECT_EQ(model->workingPixelColour(c.x, c.y), c.colour) << c.x << ", " << c.y;
    model->setSourceImage(nullptr);
    EXPECT_EQ(model->workingPixelColour(1, 1), QColor(Qt::black));
}

// A document opened on a fake engine thread: what it submits is kept unrun.
class OpenDocumentTest : public ModelFixture {
protected:
    ~OpenDocumentTest() override {
        GmModel* model = GmModel::instance();
        model->setStatusImage(nullptr);
        model->closeImage();
        recorder_.clear(); // the end-session command deletes the images
        model->setUndoCounts(0, 0);
        model->setResolutionFactor(1);
        toolHooks() = ToolHooks();
    }

    bool open(int sessionState, int width = 40, int height = 30) {
        QImage pixels(width, height, QImage::Format_ARGB32);
        pixels.fill(qRgb(10, 20, 30));
        source_ = new ZtSourceImage(NamedImage(pixels, QUrl()));
        return GmModel::instance()->setImages(GmSession::SettingsForNewImage, sessionState, source_,
                                              nullptr);
    }

    CommandRecorder recorder_;
    ZtSourceImage* source_ = nullptr;
};

TEST_F(OpenDocumentTest, OpeningAnImageStartsTheEngineAndASessionWithACopyForTheCutout) {
    std::vector<int> sizes;
    toolHooks().setBrushSize = [&](int size) { sizes.push_back(size); };
    toolHooks().setCleanStrength = [&](int size) { sizes.push_back(size); };
    QList<const ZtSourceImage*> images;
    QObject listener;
    QObject::connect(GmModel::instance(), &GmModel::tellImageChanged, &listener,
                     [&](const ZtSourceImage* image) { images << image; });
    ASSERT_TRUE(open(GmModel::OpenedFromImage, 400, 300));
    GmModel* model = GmModel::instance();
    EXPECT_EQ(model->sourceImage(), source_);
    ASSERT_NE(model->workingImage(), nullptr);
    EXPECT_NE(model->workingImage(), source_);
    EXPECT_EQ(model->workingImage()->displayImage(), source_->displayImage());
    EXPECT_EQ(
        recorder_.descriptions(),
        (QStringList{"Initializing...", "Creating New Status Image...", "Beginning Session..."}));
    EXPECT_TRUE(recorder_.thread().isOpen());
    EXPECT_EQ(images, (QList<const ZtSourceImage*>{source_}));
    EXPECT_EQ(sizes, (std::vector<int>{30, 6})) << "a tenth and a fiftieth of the shorter side";
}

TEST_F(OpenDocumentTest, AnInvalidImageOpensNothing) {
    ZtSourceImage invalid{QString()};
    EXPECT_FALSE(GmModel::instance()->setImages(1, 1, &invalid, nullptr));
    EXPECT_EQ(GmModel::instance()->sourceImage(), nullptr);
    EXPECT_EQ(GmModel::instance()->workingImage(), nullptr);
    EXPECT_TRUE(recorder_.commands().empty());

    QImage pixels(8, 8, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    ZtSourceImage valid{NamedImage(pixels, QUrl())};
    EXPECT_FALSE(GmModel::instance()->setImages(1, 1, &valid, &invalid))
        << "an invalid working image fails too";
    EXPECT_EQ(GmModel::instance()->sourceImage(), nullptr);
    EXPECT_EQ(GmModel::instance()->workingImage(), nullptr);
}

TEST_F(OpenDocumentTest, IsUnmodifiedByStateUndoAndRedoCountsAndTargets) {
    const struct {
        int state;
        uint32_t undos, redos;
        bool target;
        bool unmodified;
    } cases[] = {
        {GmModel::OpenedFromImage, 0, 0, false, true},
        {GmModel::OpenedFromImage, 1, 0, false, false},
        {GmModel::OpenedFromImage, 0, 1, false, false},
        {GmModel::OpenedFromImage, 0, 0, true, false},
        {GmModel::OpenedFromProject, 1, 0, false, true},
        {GmModel::OpenedFromProject, 2, 0, false, false},
        {GmModel::OpenedFromProject, 1, 1, false, false},
        {GmModel::OpenedFromProject, 0, 0, true, false},
        {3, 0, 0, false, false},
    };
    GmModel* model = GmModel::instance();
    for (const auto& c : cases) {
        ASSERT_TRUE(open(c.state));
        model->setUndoCounts(c.undos, c.redos);
        ForcedEdge* edge = c.target ? new ForcedEdge(QPointF(1, 1), 3) : nullptr;
        EXPECT_EQ(model->isUnmodified(), c.unmodified)
            << "state " << c.state << ", " << c.undos << " undo, " << c.redos << " redo"
            << (c.target ? ", a forced edge" : "");
        delete edge;
        model->closeImage();
        EXPECT_TRUE(model->isUnmodified()) << "no document";
    }
}

TEST_F(OpenDocumentTest, AnsweringNoToTheResolutionQuestionKeepsEverything) {
    ASSERT_TRUE(open(GmModel::OpenedFromImage));
    GmModel* model = GmModel::instance();
    std::vector<uchar> bytes(40 * 30, VkStatusUnassigned);
    bytes[7] = VkStatusKeep;
    VkImage status{40, 30, 40, VkKindStatus, bytes.data()};
    model->setStatusImage(&status);
    recorder_.clear();
    QSignalSpy changed(model, &GmModel::resolutionChanged);
    test_support::prompts().answer(PromptService::No);

    model->setResolution(4);
    ASSERT_EQ(test_support::prompts().asked().size(), 1);
    EXPECT_EQ(test_support::prompts().asked().first().title, "Confirm change of resolution");
    EXPECT_EQ(model->resolutionFactor(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    EXPECT_EQ(changed.at(0).at(1).toInt(), 1);
    EXPECT_TRUE(recorder_.commands().empty()) << "the session stays";
}

TEST_F(OpenDocumentTest, AYesReopensTheSessionAtTheNewFactorAndScalesTheBrush) {
    ASSERT_TRUE(open(GmModel::OpenedFromImage));
    GmModel* model = GmModel::instance();
    std::vector<uchar> bytes(40 * 30, VkStatusDelete);
    VkImage status{40, 30, 40, VkKindStatus, bytes.data()};
    model->setStatusImage(&status);
    recorder_.clear();
    int brushSize = 0;
    Brushing::setBrushSizeHook([] { return 25; });
    toolHooks().setBrushSize = [&](int size) { brushSize = size; };
    test_support::prompts().answer(PromptService::Yes);

    model->setResolution(2);
    EXPECT_EQ(model->resolutionFactor(), 2);
    EXPECT_EQ(brushSize, 12) << "25 x 1 / 2, truncated";
    EXPECT_EQ(recorder_.descriptions(),
              (QStringList{"Deleting Status Image...", "Creating New Status Image...",
                           "Beginning Session..."}));
    EXPECT_EQ(model->statusArray()->engineImage(), nullptr) << "let go at once";
    EXPECT_EQ(model->sourceImage()->workspaceFactor(), 2);
}

TEST_F(OpenDocumentTest, ClosingTheImageHandsTheImagesToTheEndOfTheSession) {
    ASSERT_TRUE(open(GmModel::OpenedFromImage));
    GmModel* model = GmModel::instance();
    new RectRegion(QPointF(2, 2));
    QList<const ZtSourceImage*> images;
    QObject listener;
    QObject::connect(model, &GmModel::tellImageChanged, &listener,
                     [&](const ZtSourceImage* image) { images << image; });
    recorder_.clear();

    EXPECT_TRUE(model->closeImage());
    EXPECT_EQ(model->sourceImage(), nullptr);
    EXPECT_EQ(model->workingImage(), nullptr);
    EXPECT_TRUE(model->regions().isEmpty());
    EXPECT_EQ(model->sessionState(), GmModel::NoDocument);
    EXPECT_EQ(images, (QList<const ZtSourceImage*>{nullptr}));
    const QList<VkCmdEndSession*> ends = recorder_.commandsOf<VkCmdEndSession>();
    ASSERT_FALSE(ends.isEmpty());
    EXPECT_EQ(ends.last()->form(), VkCmdEndSession::SessionsForm);
    // The engine's start has not run yet: its finish is queued behind it all the same.
    EXPECT_EQ(recorder_.descriptions().last(), "Finishing...");
}

} // namespace
