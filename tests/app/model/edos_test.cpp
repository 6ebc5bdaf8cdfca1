#include "model/edos.h"

#include "support/test_environment.h"

#include "vardek.h"

#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

struct Slots {
    int current, applied, defaultValue, saved;
};

void expectSlots(const GmValue<int>& v, Slots want) {
    EXPECT_EQ(v.current(), want.current);
    EXPECT_EQ(v.applied(), want.applied);
    EXPECT_EQ(v.defaultValue(), want.defaultValue);
    EXPECT_EQ(v.saved(), want.saved);
}

// A value with four different slots: current 1, applied 2, default 3, saved 4.
GmValue<int> distinctSlots() {
    return GmValue<int>(QVariantList{1, 2, 3, 4}, 0);
}

TEST(GmValueTest, ProjectFormIsFourIntsInSlotOrderAndReadsBack) {
    const QVariant list = distinctSlots().toVariant();
    EXPECT_EQ(list.toList(), (QVariantList{1, 2, 3, 4}));
    expectSlots(GmValue<int>(list, 99), {1, 2, 3, 4});
}

struct ShortListCase {
    const char* name;
    QVariant list;
    Slots want; // missing slots take 7
};

void PrintTo(const ShortListCase& c, std::ostream* out) {
    *out << c.name;
}

class GmValueShortListTest : public ::testing::TestWithParam<ShortListCase> {};

TEST_P(GmValueShortListTest, MissingSlotsTakeTheGivenDefault) {
    expectSlots(GmValue<int>(GetParam().list, 7), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    UntrustedLists, GmValueShortListTest,
    ::testing::Values(
        ShortListCase{"no value", QVariant(), {7, 7, 7, 7}},
        ShortListCase{"empty list", QVariantList{}, {7, 7, 7, 7}},
        ShortListCase{"one element", QVariantList{12}, {12, 7, 7, 7}},
        ShortListCase{"three elements", QVariantList{12, 13, 14}, {12, 13, 14, 7}},
        ShortListCase{"five elements", QVariantList{1, 2, 3, 4, 5}, {1, 2, 3, 4}},
        ShortListCase{"a text that is no number",
                      QVariantList{QStringLiteral("lots"), 2, 3, 4},
                      {0, 2, 3, 4}},
        ShortListCase{"numeric texts", QVariantList{QStringLiteral("5"), 2, 3, 4}, {5, 2, 3, 4}},
        ShortListCase{"not a list", QVariant(QStringLiteral("12")), {7, 7, 7, 7}}));

TEST(GmValueTest, OperationsMoveTheSlotsTheirWay) {
    GmValue<int> v = distinctSlots();
    EXPECT_TRUE(v.isEdited());
    EXPECT_TRUE(v.isNonDefault());

    v.store(); // saved := applied
    expectSlots(v, {1, 2, 3, 2});
    v.apply(); // applied := current
    expectSlots(v, {1, 1, 3, 2});
    EXPECT_FALSE(v.isEdited());
    v.restore(); // applied := saved
    expectSlots(v, {1, 2, 3, 2});
    v.revert(); // current := applied
    expectSlots(v, {2, 2, 3, 2});
    v.setToDefault(); // current := default
    expectSlots(v, {3, 2, 3, 2});
    EXPECT_FALSE(v.isNonDefault());
    EXPECT_TRUE(v.isEdited());

    GmValue<int> other(40);
    v.copyAppliedFrom(other);
    expectSlots(v, {3, 40, 3, 2});
}

TEST(EDOsTest, DefaultsFillEverySlotAndTheImageWidthIsUnknown) {
    const EDOs edos;
    expectSlots(edos.sensitivity_, {50, 50, 50, 50});
    expectSlots(edos.width_, {3, 3, 3, 3});
    expectSlots(edos.texture_, {1, 1, 1, 1});
    expectSlots(edos.contrast_, {1, 1, 1, 1});
    EXPECT_EQ(edos.widthInImageCoords_, -1);
    EXPECT_FALSE(edos.anyEdited());
    EXPECT_FALSE(edos.anyNonDefault());
    ASSERT_EQ(edos.values().size(), 4);
    EXPECT_EQ(edos.values().at(0), &edos.sensitivity_);
    EXPECT_EQ(edos.values().at(1), &edos.width_);
    EXPECT_EQ(edos.values().at(2), &edos.texture_);
    EXPECT_EQ(edos.values().at(3), &edos.contrast_);
}

TEST(EDOsTest, ProjectMapRoundTripsAllFiveKeys) {
    QVariantMap map;
    map["sensitivity_"] = QVariantList{80, 70, 50, 60};
    map["width_"] = QVariantList{5, 4, 3, 2};
    map["texture_"] = QVariantList{0, 2, 1, 1};
    map["contrast_"] = QVariantList{2, 0, 1, 2};
    map["widthInImageCoords_"] = 16;

    const EDOs edos(map);
    expectSlots(edos.sensitivity_, {80, 70, 50, 60});
    expectSlots(edos.width_, {5, 4, 3, 2});
    expectSlots(edos.texture_, {0, 2, 1, 1});
    expectSlots(edos.contrast_, {2, 0, 1, 2});
    EXPECT_EQ(edos.widthInImageCoords_, 16);
    EXPECT_EQ(edos.toVariant().toMap(), map);
}

TEST(EDOsTest, AMapWithMissingOrShortValuesTakesTheDefaults) {
    QVariantMap map;
    map["sensitivity_"] = QVariantList{80};
    map["texture_"] = QVariantList{};
    map["contrast_"] = QStringLiteral("high");
    map["widthInImageCoords_"] = QStringLiteral("wide");

    const EDOs edos(map);
    expectSlots(edos.sensitivity_, {80, 50, 50, 50});
    expectSlots(edos.width_, {3, 3, 3, 3});
    expectSlots(edos.texture_, {1, 1, 1, 1});
    expectSlots(edos.contrast_, {1, 1, 1, 1});
    EXPECT_EQ(edos.widthInImageCoords_, -1);

    const EDOs fromNothing{QVariant()};
    expectSlots(fromNothing.sensitivity_, {50, 50, 50, 50});
    EXPECT_EQ(fromNothing.toVariant().toMap().size(), 5);
}

TEST(EDOsTest, WholeSetOperationsReachEveryValue) {
    EDOs edos;
    for (GmValue<int>* v : {&edos.sensitivity_, &edos.width_, &edos.texture_, &edos.contrast_})
        v->setCurrent(v->current() + 1);
    EXPECT_TRUE(edos.anyEdited());
    EXPECT_TRUE(edos.anyNonDefault());

    // Apply as the panel does: store, apply; then the analysis fails: restore.
    edos.storeAll();
    edos.applyAll();
    EXPECT_FALSE(edos.anyEdited());
    EXPECT_EQ(edos.contrast_.applied(), 2);
    edos.restoreAll();
    for (const GmValue<int>* v :
         {&edos.sensitivity_, &edos.width_, &edos.texture_, &edos.contrast_})
        EXPECT_EQ(v->applied(), v->defaultValue());
    edos.revertAll();
    EXPECT_FALSE(edos.anyEdited());
    EXPECT_FALSE(edos.anyNonDefault());

    edos.sensitivity_.setCurrent(90);
    edos.width_.setCurrent(9);
    edos.applyAll();
    edos.setAllToDefault();
    expectSlots(edos.sensitivity_, {50, 90, 50, 50});
    expectSlots(edos.width_, {3, 9, 3, 3});
    EXPECT_TRUE(edos.anyEdited());
    EXPECT_FALSE(edos.anyNonDefault());
}

TEST(EDOsTest, CopyValuesTakesAllSlotsAndTheImageWidth) {
    QVariantMap map;
    map["sensitivity_"] = QVariantList{80, 70, 50, 60};
    map["width_"] = QVariantList{5, 4, 3, 2};
    map["texture_"] = QVariantList{0, 2, 1, 1};
    map["contrast_"] = QVariantList{2, 0, 1, 2};
    map["widthInImageCoords_"] = 16;
    const EDOs source(map);

    EDOs copy;
    copy.copyValues(source);
    EXPECT_EQ(copy.toVariant(), source.toVariant());
    // Reverting the copy starts it from the source's applied values.
    copy.revertAll();
    EXPECT_EQ(copy.sensitivity_.current(), 70);
    EXPECT_EQ(copy.contrast_.current(), 0);
}

struct EngineCase {
    float tolerance;
    int sensitivity;
};

void PrintTo(const EngineCase& c, std::ostream* out) {
    *out << "tolerance " << c.tolerance;
}

class EngineSensitivityTest : public ::testing::TestWithParam<EngineCase> {};

TEST_P(EngineSensitivityTest, ToleranceScalesToOneToHundredRoundingHalvesUp) {
    EDOs edos;
    const VkAnalysisOptions engine{GetParam().tolerance, 7, 2, 0};
    edos.setCurrentFromEngine(engine);
    EXPECT_EQ(edos.sensitivity_.current(), GetParam().sensitivity);
    EXPECT_EQ(edos.width_.current(), 7);
    EXPECT_EQ(edos.contrast_.current(), 2);
    EXPECT_EQ(edos.texture_.current(), 0);
    // Only the current slots move.
    expectSlots(edos.sensitivity_, {GetParam().sensitivity, 50, 50, 50});
    expectSlots(edos.width_, {7, 3, 3, 3});
}

INSTANTIATE_TEST_SUITE_P(EngineValues, EngineSensitivityTest,
                         ::testing::Values(EngineCase{0.0f, 1}, EngineCase{0.5f, 51},
                                           EngineCase{1.0f, 100}, EngineCase{0.25f, 26}));

} // namespace
