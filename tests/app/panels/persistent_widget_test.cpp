#include "panels/persistent_widget.h"

#include "support/test_environment.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace {

class PersistentWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    static void store(const QString& key, const QVariant& value) {
        QSettings().setValue(key, value);
    }
    static QVariant stored(const QString& key) { return QSettings().value(key); }
};

struct KeyCase {
    const char* group;
    const char* keyName;
    const char* key;
};

void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << c.key;
}

class PersistentWidgetKeyTest : public PersistentWidgetTest,
                                public ::testing::WithParamInterface<KeyCase> {};

TEST_P(PersistentWidgetKeyTest, SpacesAndHyphensGoFromTheWholeKeyWhichNamesTheWidget) {
    const KeyCase c = GetParam();
    EXPECT_EQ(persistentWidgetKey(c.group, c.keyName), QString(c.key));
    const PersistentWidget<QRadioButton, bool> widget(c.group, c.keyName, false, false);
    EXPECT_EQ(widget.settingsKey(), QString(c.key));
    EXPECT_EQ(widget.objectName(), QString(c.key));
    EXPECT_EQ(widget.keyName(), QString(c.keyName));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PersistentWidgetKeyTest,
    ::testing::Values(KeyCase{"EdgeDetectionOptions/Edge Contrast", "High",
                              "EdgeDetectionOptions/EdgeContrast/High"},
                      KeyCase{"BlendingOptions", "Blend Mask Width",
                              "BlendingOptions/BlendMaskWidth"},
                      KeyCase{"ToolOptions/Keep-Brush", "Protect any existing Delete Mask",
                              "ToolOptions/KeepBrush/ProtectanyexistingDeleteMask"},
                      KeyCase{"View\tOptions", "A_B", "View\tOptions/A_B"}));

TEST_F(PersistentWidgetTest, WithNothingStoredEachInstanceShowsItsDefault) {
    const PersistentWidget<QSlider, int> slider("G", "Slider", 42, false);
    const PersistentWidget<QSpinBox, int> spin("G", "Spin", 7, false);
    const PersistentWidget<QComboBox, QString> combo("G", "Combo", "Medium", false);
    const PersistentWidget<QRadioButton, bool> radio("G", "Radio", true, false);
    const PersistentWidget<QCheckBox, bool> check("G", "Check", true, false);
    EXPECT_EQ(slider.value(), 42);
    EXPECT_EQ(spin.value(), 7);
    EXPECT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.currentText(), QString("Medium"));
    EXPECT_TRUE(radio.isChecked());
    EXPECT_TRUE(check.isChecked());
}

struct RangeCase {
    int stored, minimum, maximum, shown;
};

void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << c.stored << " in " << c.minimum << ".." << c.maximum;
}

class PersistentRangeTest : public PersistentWidgetTest,
                            public ::testing::WithParamInterface<RangeCase> {};

// The owner sets its real range after construction; the stored value is held
// in that range, not clipped by the widget's own initial range (0..99).
TEST_P(PersistentRangeTest, OwnersRangeHoldsTheStoredValue) {
    const RangeCase c = GetParam();
    store("G/Slider", c.stored);
    store("G/Spin", c.stored);
    PersistentWidget<QSlider, int> slider("G", "Slider", 50, false);
    PersistentWidget<QSpinBox, int> spin("G", "Spin", 50, false);
    slider.setRange(c.minimum, c.maximum);
    spin.setRange(c.minimum, c.maximum);
    EXPECT_EQ(slider.value(), c.shown);
    EXPECT_EQ(spin.value(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(StoredValues, PersistentRangeTest,
                         ::testing::Values(RangeCase{150, 1, 100, 100}, RangeCase{42, 1, 100, 42},
                                           RangeCase{120, 1, 400, 120}, RangeCase{-5, 0, 10, 0}));

TEST_F(PersistentWidgetTest, ComboShowsTheStoredTextFirstAndSelected) {
    store("BlendingOptions/BlendMaskWidth", "Thick");
    PersistentWidget<QComboBox, QString> combo("BlendingOptions", "Blend Mask Width", "Medium",
                                               false);
    combo.addItems({"None", "Thin", "Medium", "Thick"});
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.itemText(0), QString("Thick"));
    EXPECT_EQ(combo.currentText(), QString("Thick"));
}

TEST_F(PersistentWidgetTest, UnreadableStoredValuesGiveZeroOrFalse) {
    store("G/Slider", "many");
    store("G/Check", "maybe");
    store("G/Radio", "true"); // how an INI file gives a bool back
    const PersistentWidget<QSlider, int> slider("G", "Slider", 50, false);
    const PersistentWidget<QCheckBox, bool> check("G", "Check", true, false);
    const PersistentWidget<QRadioButton, bool> radio("G", "Radio", false, false);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_FALSE(check.isChecked());
    EXPECT_TRUE(radio.isChecked());
}

TEST_F(PersistentWidgetTest, WithPersistOffTheStoredValueIsReadButNothingIsWritten) {
    store("G/Slider", 30);
    store("G/Check", false);
    {
        PersistentWidget<QSlider, int> slider("G", "Slider", 50, false);
        PersistentWidget<QCheckBox, bool> check("G", "Check", true, false);
        slider.setRange(0, 100);
        EXPECT_EQ(slider.value(), 30);
        EXPECT_FALSE(check.isChecked());
        slider.setValue(80);
        check.setChecked(true);
    }
    EXPECT_EQ(stored("G/Slider").toInt(), 30);
    EXPECT_FALSE(stored("G/Check").toBool());
}

TEST_F(PersistentWidgetTest, WithPersistOnTheValueIsWrittenAtDestructionOnly) {
    auto slider = std::make_unique<PersistentWidget<QSlider, int>>("G", "Slider", 50, true);
    auto spin = std::make_unique<PersistentWidget<QSpinBox, int>>("G", "Spin", 5, true);
    auto combo = std::make_unique<PersistentWidget<QComboBox, QString>>("G", "Combo", "A", true);
    auto radio = std::make_unique<PersistentWidget<QRadioButton, bool>>("G", "Radio", false, true);
    auto check = std::make_unique<PersistentWidget<QCheckBox, bool>>("G", "Check", true, true);
    slider->setRange(0, 100);
    slider->setValue(70);
    spin->setRange(1, 400);
    spin->setValue(250);
    combo->addItems({"B", "C"});
    combo->setCurrentIndex(2);
    radio->setChecked(true);
    check->setChecked(false);
    EXPECT_TRUE(QSettings().allKeys().isEmpty());

    slider.reset();
    spin.reset();
    combo.reset();
    radio.reset();
    check.reset();
    EXPECT_EQ(stored("G/Slider").toInt(), 70);
    EXPECT_EQ(stored("G/Spin").toInt(), 250);
    EXPECT_EQ(stored("G/Combo").toString(), QString("C"));
    EXPECT_TRUE(stored("G/Radio").toBool());
    EXPECT_FALSE(stored("G/Check").toBool());
}

// Owners set the flag again in their own destructors: the preference in force
// at exit decides.
TEST_F(PersistentWidgetTest, TheFlagAtDestructionDecides) {
    {
        PersistentWidget<QCheckBox, bool> turnedOn("G", "On", false, false);
        turnedOn.setChecked(true);
        turnedOn.setPersist(true);
        PersistentWidget<QCheckBox, bool> turnedOff("G", "Off", false, true);
        turnedOff.setChecked(true);
        turnedOff.setPersist(false);
    }
    EXPECT_TRUE(stored("G/On").toBool());
    EXPECT_FALSE(QSettings().contains("G/Off"));
}

TEST_F(PersistentWidgetTest, TheNextRunStartsFromWhatThisRunWrote) {
    {
        PersistentWidget<QSlider, int> slider("EdgeDetectionOptions", "Number of Edges", 50, true);
        slider.setRange(1, 100);
        slider.setValue(77);
    }
    QSettings().sync();
    PersistentWidget<QSlider, int> next("EdgeDetectionOptions", "Number of Edges", 50, false);
    next.setRange(1, 100);
    EXPECT_EQ(next.value(), 77);
}

} // namespace
