#include "model/blending_options.h"
#include "model/blending_stuff.h"

#include "support/test_environment.h"

#include <QSettings>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

const QStringList optionalKeys{"isChoices_",  "choices1F_",  "choices2F_",
                               "isMembrane_", "membrane1F_", "isUniformBg_"};

void expectDefaults(const BlendingOptions& o) {
    EXPECT_FLOAT_EQ(o.autoBlueWidthF_, 0.75f);
    EXPECT_FLOAT_EQ(o.blendRatioF_, 0.2f);
    EXPECT_FALSE(o.isPatchBlendRatioTrackingImage_);
    EXPECT_EQ(o.feather_, 5);
    EXPECT_FALSE(o.isChoices_);
    EXPECT_FLOAT_EQ(o.choices1F_, 0.5f);
    EXPECT_FLOAT_EQ(o.choices2F_, 0.5f);
    EXPECT_FALSE(o.isMembrane_);
    EXPECT_FLOAT_EQ(o.membrane1F_, 0.5f);
    EXPECT_FALSE(o.isUniformBg_);
    EXPECT_FALSE(o.fgChecked_);
    EXPECT_EQ(o.fgOverride().color(), QColor(Qt::white));
    EXPECT_EQ(o.fgOverride().keyName(), QString("Foreground Override"));
    EXPECT_EQ(o.fgOverride().persist(), 0);
    EXPECT_FALSE(o.bgChecked_);
    EXPECT_EQ(o.bgOverride().color(), QColor(Qt::black));
    EXPECT_EQ(o.bgOverride().keyName(), QString("Background Override"));
    EXPECT_EQ(o.bgOverride().persist(), 0);
}

// Every field away from its default.
BlendingOptions changedOptions() {
    BlendingOptions o;
    o.autoBlueWidthF_ = 1.5f;
    o.blendRatioF_ = 0.625f;
    o.isPatchBlendRatioTrackingImage_ = true;
    o.feather_ = 9;
    o.isChoices_ = true;
    o.choices1F_ = 0.25f;
    o.choices2F_ = 0.75f;
    o.isMembrane_ = true;
    o.membrane1F_ = 0.125f;
    o.isUniformBg_ = true;
    o.fgChecked_ = true;
    o.bgChecked_ = true;
    test_support::prompts().answerColour(QColor(Qt::cyan));
    o.fgOverride().changeColorSlot();
    test_support::prompts().answerColour(QColor(Qt::darkRed));
    o.bgOverride().changeColorSlot();
    return o;
}

class BlendingOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
};

TEST_F(BlendingOptionsTest, DefaultsAreTheDocumentedOnes) {
    expectDefaults(BlendingOptions());
}

TEST_F(BlendingOptionsTest, ProjectMapHasAllFourteenKeysWithFloatsAsFloats) {
    const QVariantMap map = BlendingOptions().toVariant().toMap();
    EXPECT_EQ(map.size(), 14);
    for (const char* key :
         {"autoBlueWidthF_", "blendRatioF_", "choices1F_", "choices2F_", "membrane1F_"})
        EXPECT_EQ(map.value(key).userType(), QMetaType::Float) << key;
    for (const char* key : {"isPatchBlendRatioTrackingImage_", "isChoices_", "isMembrane_",
                            "isUniformBg_", "fgChecked_", "bgChecked_"})
        EXPECT_EQ(map.value(key).userType(), QMetaType::Bool) << key;
    EXPECT_EQ(map.value("feather_").userType(), QMetaType::Int);
    EXPECT_EQ(map.value("fgOverride_").toMap().value("qColor_").value<QColor>(), QColor(Qt::white));
}

TEST_F(BlendingOptionsTest, ProjectMapRoundTripsEveryField) {
    const BlendingOptions original = changedOptions();
    const BlendingOptions read = BlendingOptions::fromVariant(original.toVariant());
    EXPECT_EQ(read.toVariant(), original.toVariant());
    EXPECT_FLOAT_EQ(read.blendRatioF_, 0.625f);
    EXPECT_TRUE(read.isUniformBg_);
    EXPECT_EQ(read.fgOverride().color(), QColor(Qt::cyan));
    EXPECT_EQ(read.bgOverride().color(), QColor(Qt::darkRed));
    EXPECT_EQ(read.bgOverride().defaultColor(), QColor(Qt::black));
}

TEST_F(BlendingOptionsTest, OlderProjectsWithoutTheOptionalKeysTakeTheirDefaults) {
    QVariantMap map = changedOptions().toVariant().toMap();
    for (const QString& key : optionalKeys)
        map.remove(key);
    const BlendingOptions read = BlendingOptions::fromVariant(map);
    EXPECT_FALSE(read.isChoices_);
    EXPECT_FLOAT_EQ(read.choices1F_, 0.5f);
    EXPECT_FLOAT_EQ(read.choices2F_, 0.5f);
    EXPECT_FALSE(read.isMembrane_);
    EXPECT_FLOAT_EQ(read.membrane1F_, 0.5f);
    EXPECT_FALSE(read.isUniformBg_);
    // The other eight are read.
    EXPECT_FLOAT_EQ(read.autoBlueWidthF_, 1.5f);
    EXPECT_EQ(read.feather_, 9);
    EXPECT_TRUE(read.fgChecked_);
    EXPECT_EQ(read.fgOverride().color(), QColor(Qt::cyan));
}

TEST_F(BlendingOptionsTest, DoublesAreNarrowedToFloat) {
    QVariantMap map = BlendingOptions().toVariant().toMap();
    map["blendRatioF_"] = 0.1; // a double, as older writers stored it
    map["choices1F_"] = 0.3;
    const BlendingOptions read = BlendingOptions::fromVariant(map);
    EXPECT_EQ(read.blendRatioF_, 0.1f);
    EXPECT_EQ(read.choices1F_, 0.3f);
}

// Project files are untrusted: whatever is missing or unreadable keeps its default.
TEST_F(BlendingOptionsTest, BrokenOrEmptyMapsGiveTheDefaults) {
    expectDefaults(BlendingOptions::fromVariant(QVariant()));
    expectDefaults(BlendingOptions::fromVariant(QVariantMap()));
    expectDefaults(BlendingOptions::fromVariant(QVariantList{1, 2, 3}));

    QVariantMap map;
    map["autoBlueWidthF_"] = "thick";
    map["blendRatioF_"] = qQNaN();
    map["feather_"] = QVariantList{};
    map["isChoices_"] = "perhaps";
    map["fgOverride_"] = 17;
    map["bgOverride_"] = QVariantMap{{"qColor_", QColor(Qt::red)}};
    const BlendingOptions read = BlendingOptions::fromVariant(map);
    EXPECT_FLOAT_EQ(read.autoBlueWidthF_, 0.75f);
    EXPECT_FLOAT_EQ(read.blendRatioF_, 0.2f);
    EXPECT_EQ(read.feather_, 5);
    EXPECT_FALSE(read.isChoices_);
    EXPECT_EQ(read.fgOverride().color(), QColor(Qt::white));
    // A partial colour map keeps the default's values for what it lacks.
    EXPECT_EQ(read.bgOverride().color(), QColor(Qt::red));
    EXPECT_EQ(read.bgOverride().defaultColor(), QColor(Qt::black));
    EXPECT_EQ(read.bgOverride().keyName(), QString("Background Override"));
}

TEST_F(BlendingOptionsTest, OverrideColoursFromAProjectNeverWriteTheSettings) {
    QVariantMap map = BlendingOptions().toVariant().toMap();
    QVariantMap colour = map["fgOverride_"].toMap();
    colour["keyname_"] = "Keep Mask";
    colour["persist_"] = 1;
    map["fgOverride_"] = colour;
    { const BlendingOptions read = BlendingOptions::fromVariant(map); }
    EXPECT_TRUE(QSettings().allKeys().isEmpty());
}

TEST_F(BlendingOptionsTest, CopiesHaveColoursOfTheirOwn) {
    const BlendingOptions original = changedOptions();
    BlendingOptions copy(original);
    EXPECT_EQ(copy.toVariant(), original.toVariant());
    EXPECT_NE(&copy.fgOverride(), &original.fgOverride());

    test_support::prompts().answerColour(QColor(Qt::yellow));
    copy.fgOverride().changeColorSlot();
    EXPECT_EQ(original.fgOverride().color(), QColor(Qt::cyan));

    BlendingOptions assigned;
    assigned = original;
    EXPECT_EQ(assigned.toVariant(), original.toVariant());
    EXPECT_NE(&assigned.bgOverride(), &original.bgOverride());
    assigned = assigned;
    EXPECT_EQ(assigned.toVariant(), original.toVariant());
}

TEST_F(BlendingOptionsTest, BlendingStuffKeepsItsOptionsUnderBos) {
    const BlendingStuff image;
    EXPECT_EQ(image.owner(), nullptr);
    expectDefaults(image.options());

    BlendingStuff changed;
    changed.options() = changedOptions();
    const QVariantMap map = changed.toVariant().toMap();
    EXPECT_EQ(map.keys(), QStringList{"bos_"});
    const BlendingStuff read(map, nullptr);
    EXPECT_EQ(read.toVariant(), changed.toVariant());

    expectDefaults(BlendingStuff(QVariantMap(), nullptr).options());
}

} // namespace
