#include "model/gm_color.h"

#include "model/color_dialog_palette.h"
#include "support/test_environment.h"

#include <QAction>
#include <QSettings>
#include <QSignalSpy>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::prompts;

class GmColorTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override {
        GmColor::setStatusMessageHook(nullptr);
        GmColor::setDialogParentHook(nullptr);
        QSettings().clear();
    }

    static QVariant stored(const QString& key) { return QSettings().value(key); }
};

TEST_F(GmColorTest, PersistentColourPrefersTheComponentKeys) {
    QSettings settings;
    settings.setValue("Colors/Keep Mask", QColor(Qt::magenta));
    settings.setValue("Colors/Keep Mask_red", 10);
    settings.setValue("Colors/Keep Mask_green", 20);
    settings.setValue("Colors/Keep Mask_blue", 30);

    const GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 1);
    EXPECT_EQ(colour.color(), QColor(10, 20, 30));
    EXPECT_EQ(colour.defaultColor(), QColor(Qt::green));
    EXPECT_EQ(colour.committedColor(), QColor(10, 20, 30));
}

TEST_F(GmColorTest, PersistentColourWithOnlyItsOwnKeyTakesThatValue) {
    QSettings().setValue("Colors/Keep Mask", QColor(Qt::magenta));
    const GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 1);
    EXPECT_EQ(colour.color(), QColor(Qt::magenta));
}

TEST_F(GmColorTest, PersistentColourWithNeitherKeyTakesTheDefault) {
    const GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 1);
    EXPECT_EQ(colour.color(), QColor(Qt::green));
}

TEST_F(GmColorTest, MissingOrUnreadableComponentsFallBackOrGiveZero) {
    QSettings settings;
    settings.setValue("Colors/Keep Mask_red", 200);
    settings.setValue("Colors/Keep Mask_green", "much");
    // no blue: the default's blue (green has none)
    const GmColor colour(QColor(1, 2, 3), "Keep Mask", "Keep Mask", 1);
    EXPECT_EQ(colour.color(), QColor(200, 0, 3));
}

TEST_F(GmColorTest, PersistentColourWritesItsFourKeysWhenDestroyedOnly) {
    QSettings().setValue("Colors/Keep Mask", QColor(Qt::magenta));
    auto colour = std::make_unique<GmColor>(Qt::green, "Keep Mask", "Keep Mask", 1);
    colour->restoreDefaultSlot();
    EXPECT_EQ(stored("Colors/Keep Mask").value<QColor>(), QColor(Qt::magenta));
    EXPECT_FALSE(QSettings().contains("Colors/Keep Mask_red"));

    colour.reset();
    EXPECT_EQ(stored("Colors/Keep Mask").value<QColor>(), QColor(Qt::green));
    EXPECT_EQ(stored("Colors/Keep Mask_red").toInt(), 0);
    EXPECT_EQ(stored("Colors/Keep Mask_green").toInt(), 255);
    EXPECT_EQ(stored("Colors/Keep Mask_blue").toInt(), 0);
}

TEST_F(GmColorTest, ColourThatDoesNotPersistNeitherReadsNorWrites) {
    QSettings().setValue("Colors/Foreground Override", QColor(Qt::magenta));
    {
        const GmColor colour(Qt::white, "Foreground Override", "Foreground Override", 0);
        EXPECT_EQ(colour.color(), QColor(Qt::white));
    }
    EXPECT_FALSE(QSettings().contains("Colors/Foreground Override_red"));
    EXPECT_EQ(stored("Colors/Foreground Override").value<QColor>(), QColor(Qt::magenta));
}

TEST_F(GmColorTest, ProjectMapRoundTrips) {
    GmColor original(Qt::white, "Foreground Override", "Vordergrund", 0);
    prompts().answerColour(QColor(Qt::cyan));
    original.changeColorSlot();

    const QVariantMap map = original.toVariant().toMap();
    EXPECT_EQ(map.keys(), (QStringList{"default_", "desc_", "keyname_", "persist_", "qColor_"}));
    const GmColor read(map);
    EXPECT_EQ(read.color(), QColor(Qt::cyan));
    EXPECT_EQ(read.defaultColor(), QColor(Qt::white));
    EXPECT_EQ(read.committedColor(), QColor(Qt::white));
    EXPECT_EQ(read.keyName(), QString("Foreground Override"));
    EXPECT_EQ(read.description(), QString("Vordergrund"));
    EXPECT_EQ(read.persist(), 0);
    EXPECT_EQ(read.toVariant(), original.toVariant());
}

// A project names its own key and may say persist 1; destroying its colour
// must not put that key into the user's settings.
TEST_F(GmColorTest, ColourFromAProjectNeverWritesTheSettings) {
    QVariantMap map;
    map["qColor_"] = QColor(Qt::cyan);
    map["default_"] = QColor(Qt::white);
    map["keyname_"] = "Keep Mask";
    map["desc_"] = "Keep Mask";
    map["persist_"] = 1;
    {
        const GmColor colour(map);
        EXPECT_EQ(colour.persist(), 1);
        EXPECT_FALSE(colour.writesSettings());
        EXPECT_EQ(colour.toVariant().toMap().value("persist_").toInt(), 1);
    }
    EXPECT_TRUE(QSettings().allKeys().isEmpty());
}

TEST_F(GmColorTest, ProjectMapWithMissingOrBrokenColoursStaysUsable) {
    QVariantMap map;
    map["qColor_"] = "not a colour at all";
    map["persist_"] = "yes";
    const GmColor colour(map);
    EXPECT_EQ(colour.defaultColor(), QColor(Qt::black));
    EXPECT_EQ(colour.color(), QColor(Qt::black));
    EXPECT_EQ(colour.persist(), 0);

    map["default_"] = QColor(Qt::red);
    EXPECT_EQ(GmColor(map).color(), QColor(Qt::red));
}

TEST_F(GmColorTest, CloneKeepsTheValuesButNeverWritesTheSettings) {
    GmColor original(Qt::green, "Keep Mask", "Keep Mask", 1);
    prompts().answerColour(QColor(Qt::cyan));
    original.changeColorSlot();
    original.commitChangeSlot();
    prompts().answerColour(QColor(Qt::gray));
    original.changeColorSlot();

    std::unique_ptr<GmColor> copy = original.clone();
    EXPECT_EQ(copy->color(), QColor(Qt::gray));
    EXPECT_EQ(copy->committedColor(), QColor(Qt::cyan));
    EXPECT_EQ(copy->defaultColor(), QColor(Qt::green));
    EXPECT_EQ(copy->keyName(), QString("Keep Mask"));
    EXPECT_EQ(copy->persist(), 1);
    EXPECT_FALSE(copy->writesSettings());
    copy.reset();
    EXPECT_FALSE(QSettings().contains("Colors/Keep Mask"));
}

TEST_F(GmColorTest, RevertGoesToTheDefaultBeforeACommitAndToTheCommitAfter) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QSignalSpy changed(&colour, &GmColor::colorChanged);

    prompts().answerColour(QColor(Qt::cyan));
    colour.changeColorSlot();
    prompts().answerColour(QColor(Qt::gray));
    colour.changeColorSlot();
    colour.revertChangeSlot();
    EXPECT_EQ(colour.color(), QColor(Qt::green));

    prompts().answerColour(QColor(Qt::cyan));
    colour.changeColorSlot();
    colour.commitChangeSlot();
    prompts().answerColour(QColor(Qt::gray));
    colour.changeColorSlot();
    prompts().answerColour(QColor(Qt::darkRed));
    colour.changeColorSlot();
    colour.revertChangeSlot();
    EXPECT_EQ(colour.color(), QColor(Qt::cyan));
    EXPECT_EQ(colour.defaultColor(), QColor(Qt::green));

    colour.restoreDefaultSlot();
    EXPECT_EQ(colour.color(), QColor(Qt::green));
    EXPECT_EQ(colour.committedColor(), QColor(Qt::cyan));

    // Every change, revert and restore told its listeners the new colour.
    ASSERT_EQ(changed.size(), 8);
    EXPECT_EQ(changed.at(2).at(0).value<QColor>(), QColor(Qt::green));
    EXPECT_EQ(changed.at(6).at(0).value<QColor>(), QColor(Qt::cyan));
    EXPECT_EQ(changed.at(7).at(0).value<QColor>(), QColor(Qt::green));
}

// The colour stored by an earlier run is what a cancelled dialog returns to;
// returning to the default would lose the user's colour at exit.
TEST_F(GmColorTest, RevertOfAStoredColourReturnsToTheStoredColour) {
    QSettings().setValue("Colors/Keep Mask", QColor(Qt::magenta));
    {
        GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 1);
        prompts().answerColour(QColor(Qt::cyan));
        colour.changeColorSlot();
        colour.revertChangeSlot();
        EXPECT_EQ(colour.color(), QColor(Qt::magenta));
        colour.restoreDefaultSlot();
        colour.revertChangeSlot();
        EXPECT_EQ(colour.color(), QColor(Qt::magenta));
    }
    EXPECT_EQ(stored("Colors/Keep Mask").value<QColor>(), QColor(Qt::magenta));
}

TEST_F(GmColorTest, ChangeAsksForTheColourAndTellsTheStatusBar) {
    QStringList messages;
    GmColor::setStatusMessageHook([&](const QString& text) { messages << text; });
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QSignalSpy changed(&colour, &GmColor::colorChanged);

    prompts().answerColour(QColor(Qt::cyan));
    colour.changeColorSlot();

    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked().at(0).dialog, test_support::ScriptedPromptService::Dialog::Colour);
    EXPECT_EQ(prompts().asked().at(0).text, QColor(Qt::green).name(QColor::HexArgb));
    EXPECT_TRUE(prompts().asked().at(0).title.isEmpty());
    EXPECT_EQ(messages, (QStringList{"Select Keep Mask color", QString()}));
    EXPECT_EQ(colour.color(), QColor(Qt::cyan));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), QColor(Qt::cyan));
}

TEST_F(GmColorTest, CancelledDialogChangesNothingAndEmitsNothing) {
    QStringList messages;
    GmColor::setStatusMessageHook([&](const QString& text) { messages << text; });
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QSignalSpy changed(&colour, &GmColor::colorChanged);

    prompts().answerColour(QColor()); // the dialog answers an invalid colour when cancelled
    colour.changeColorSlot();

    EXPECT_EQ(colour.color(), QColor(Qt::green));
    EXPECT_EQ(changed.size(), 0);
    EXPECT_FALSE(QSettings().contains("Colors/NumCustomColors"));
    EXPECT_EQ(messages, (QStringList{"Select Keep Mask color", QString()}));
}

TEST_F(GmColorTest, ChangeActionShowsTheSwatchAndOpensTheDialog) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QAction* action = colour.changeAction();
    EXPECT_EQ(colour.changeAction(), action);
    EXPECT_EQ(action->text(), QString("Change Keep Mask color"));
    EXPECT_EQ(action->parent(), &colour);
    auto swatchCentre = [&] { return action->icon().pixmap(32, 32).toImage().pixelColor(16, 16); };
    EXPECT_EQ(swatchCentre(), QColor(Qt::green));

    prompts().answerColour(QColor(Qt::cyan));
    action->trigger();
    EXPECT_EQ(colour.color(), QColor(Qt::cyan));
    EXPECT_EQ(swatchCentre(), QColor(Qt::cyan));
    colour.revertChangeSlot();
    EXPECT_EQ(swatchCentre(), QColor(Qt::green));
}

TEST_F(GmColorTest, ChosenColourWritesTheDialogsCustomColours) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    prompts().setCustomColour(3, QColor(Qt::darkCyan));
    prompts().answerColour(QColor(Qt::cyan));
    colour.changeColorSlot();

    EXPECT_EQ(stored("Colors/NumCustomColors").toInt(), 16);
    EXPECT_EQ(stored("Colors/CustomColor3").value<QColor>(), QColor(Qt::darkCyan));
    EXPECT_EQ(stored("Colors/CustomColor15").value<QColor>(), QColor(Qt::white));
}

TEST_F(GmColorTest, StoredCustomColoursGoBackToTheDialog) {
    QSettings settings;
    settings.setValue("Colors/NumCustomColors", 4);
    settings.setValue("Colors/CustomColor0", QColor(Qt::red));
    settings.setValue("Colors/CustomColor1", "scribble");
    // entry 2 missing
    settings.setValue("Colors/CustomColor3", 0xff0000ffu);
    settings.setValue("Colors/CustomColor4", QColor(Qt::green)); // beyond the count

    restoreColorDialogPalette();
    const QVector<QColor> palette = prompts().customColours();
    EXPECT_EQ(palette.at(0), QColor(Qt::red));
    EXPECT_EQ(palette.at(1), QColor(Qt::black));
    EXPECT_EQ(palette.at(2), QColor(Qt::black));
    EXPECT_EQ(palette.at(3), QColor(Qt::blue));
    EXPECT_EQ(palette.at(4), QColor(Qt::white));

    // More entries stored than the dialog holds: only the dialog's are read.
    settings.setValue("Colors/NumCustomColors", 40);
    restoreColorDialogPalette();
    EXPECT_EQ(prompts().customColours().size(), 16);
}

TEST_F(GmColorTest, CustomColoursAreRestoredOncePerProcess) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    // Whatever ran before, after one dialog the palette has been restored.
    prompts().answerColour(QColor());
    colour.changeColorSlot();

    QSettings settings;
    settings.setValue("Colors/NumCustomColors", 1);
    settings.setValue("Colors/CustomColor0", QColor(Qt::red));
    prompts().setCustomColour(0, QColor(Qt::blue));
    prompts().answerColour(QColor());
    colour.changeColorSlot();
    EXPECT_EQ(prompts().customColours().at(0), QColor(Qt::blue));
}

} // namespace
