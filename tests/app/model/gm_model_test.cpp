#include "model/gm_model.h"

#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

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

} // namespace
