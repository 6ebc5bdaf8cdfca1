#include "model/zt_app_prefs.h"

#include "model/gm_color.h"
#include "support/test_environment.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::prompts;

class ZtAppPrefsTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }
};

TEST_F(ZtAppPrefsTest, WithoutStoredSettingsTheDefaultsHold) {
    const ZtAppPrefs prefs;
    EXPECT_EQ(ZtAppPrefs::instance(), &prefs);
    EXPECT_FALSE(prefs.persistOptions());
    EXPECT_TRUE(prefs.useTabletPressure());

    struct Expected {
        ZtAppPrefs::ColorIndex index;
        const char* key;
        Qt::GlobalColor colour;
    };
    const Expected expected[] = {
        {ZtAppPrefs::KeepMaskColor, "Keep Mask", Qt::green},
        {ZtAppPrefs::DeleteMaskColor, "Delete Mask", Qt::red},
        {ZtAppPrefs::BlendMaskColor, "Blend Mask", Qt::blue},
        {ZtAppPrefs::PatchProtectionColor, "Patch Protection", Qt::white},
        {ZtAppPrefs::PatchOrForcedEdgeColor, "Patch or Forced Edge", Qt::darkYellow},
        {ZtAppPrefs::ActivePatchOrForcedEdgeColor, "Active Patch or Forced Edge", Qt::yellow},
        {ZtAppPrefs::ColorWorkspaceHighlightColor, "Color Workspace Highlight", Qt::yellow},
    };
    ASSERT_EQ(prefs.colors().size(), 7);
    for (int i = 0; i < 7; ++i) {
        const Expected& e = expected[i];
        EXPECT_EQ(int(e.index), i);
        const GmColor* colour = prefs.color(e.index);
        EXPECT_EQ(colour, prefs.colors().at(i));
        EXPECT_EQ(colour->keyName(), QString(e.key));
        EXPECT_EQ(colour->description(), QString(e.key));
        EXPECT_EQ(colour->persist(), 1);
        EXPECT_EQ(colour->color(), QColor(e.colour));
        EXPECT_EQ(colour->defaultColor(), QColor(e.colour));
    }
}

TEST_F(ZtAppPrefsTest, StoredValuesAreReadAtCreation) {
    QSettings settings;
    settings.setValue("Preferences/PersistOptions", true);
    settings.setValue("Preferences/UseTabletPressure", false);
    settings.setValue("Colors/Blend Mask", QColor(Qt::magenta));

    const ZtAppPrefs prefs;
    EXPECT_TRUE(prefs.persistOptions());
    EXPECT_FALSE(prefs.useTabletPressure());
    EXPECT_EQ(prefs.color(ZtAppPrefs::BlendMaskColor)->color(), QColor(Qt::magenta));
}

TEST_F(ZtAppPrefsTest, UnreadableStoredSwitchesKeepTheirDefaults) {
    QSettings settings;
    settings.setValue("Preferences/PersistOptions", "sometimes");
    settings.setValue("Preferences/UseTabletPressure", "never mind");
    const ZtAppPrefs prefs;
    EXPECT_FALSE(prefs.persistOptions());
    EXPECT_TRUE(prefs.useTabletPressure());
}

TEST_F(ZtAppPrefsTest, EverythingIsWrittenAtDestructionOnly) {
    auto prefs = std::make_unique<ZtAppPrefs>();
    prefs->setPersistOptions(true);
    prefs->setUseTabletPressure(false);
    prompts().answerColour(QColor(Qt::cyan));
    prefs->color(ZtAppPrefs::DeleteMaskColor)->changeColorSlot();
    const QSettings settings;
    EXPECT_FALSE(settings.contains("Preferences/PersistOptions"));
    EXPECT_FALSE(settings.contains("Colors/Delete Mask"));

    prefs.reset();
    EXPECT_EQ(ZtAppPrefs::instance(), nullptr);
    EXPECT_EQ(settings.value("Preferences/PersistOptions").userType(), QMetaType::Bool);
    EXPECT_TRUE(settings.value("Preferences/PersistOptions").toBool());
    EXPECT_FALSE(settings.value("Preferences/UseTabletPressure").toBool());
    EXPECT_EQ(settings.value("Colors/Delete Mask").value<QColor>(), QColor(Qt::cyan));
    EXPECT_EQ(settings.value("Colors/Delete Mask_blue").toInt(), 255);
    EXPECT_EQ(settings.value("Colors/Keep Mask").value<QColor>(), QColor(Qt::green));
}

// What one run leaves in the settings file is what the next run starts from.
TEST_F(ZtAppPrefsTest, TheNextRunReadsWhatThisRunWrote) {
    {
        ZtAppPrefs prefs;
        prefs.setPersistOptions(true);
        prompts().answerColour(QColor(10, 20, 30));
        prefs.color(ZtAppPrefs::PatchProtectionColor)->changeColorSlot();
    }
    QSettings settings;
    settings.sync();
    QFile file(settings.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("PersistOptions=true")) << text.toStdString();
    EXPECT_TRUE(text.contains("Patch%20Protection_red=10")) << text.toStdString();

    const ZtAppPrefs next;
    EXPECT_TRUE(next.persistOptions());
    EXPECT_EQ(next.color(ZtAppPrefs::PatchProtectionColor)->color(), QColor(10, 20, 30));
}

} // namespace
