#include "shell/zt_app_prefs_dialog.h"

#include "model/gm_color.h"
#include "model/zt_app_prefs.h"
#include "support/test_environment.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using test_support::prompts;

// Clicks a widget through its window, as a user's mouse would.
void click(QWidget* widget, const QPoint& at) {
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      widget->mapTo(window, at));
}

void click(QWidget* widget) {
    click(widget, widget->rect().center());
}

QPushButton* dialogButton(ZtAppPrefsDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

void showTab(ZtAppPrefsDialog& dialog, int index) {
    QTabBar* bar = dialog.tabs()->tabBar();
    click(bar, bar->tabRect(index).center());
}

QToolButton* buttonAt(ZtAppPrefsDialog& dialog, int row, int column) {
    QLayoutItem* item = dialog.colorGrid()->itemAtPosition(row, column);
    return item ? qobject_cast<QToolButton*>(item->widget()) : nullptr;
}

// Runs the dialog modally; `user` acts while it is open and must close it.
// A dialog the user left open is closed with Cancel after a while.
int runDialog(ZtAppPrefsDialog& dialog, const std::function<void()>& user) {
    QTimer::singleShot(0, &dialog, [&] {
        if (QTest::qWaitForWindowExposed(&dialog)) user();
    });
    QTimer::singleShot(10000, &dialog, &QDialog::reject);
    return dialog.exec();
}

class ZtAppPrefsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        prefs_ = std::make_unique<ZtAppPrefs>();
    }
    void TearDown() override {
        prefs_.reset();
        QSettings().clear();
    }

    GmColor* colour(int index) const { return prefs_->colors().at(index); }

    std::unique_ptr<ZtAppPrefs> prefs_;
};

TEST_F(ZtAppPrefsDialogTest, WithNothingStoredGeneralShowsDefaultsAndPenPressure) {
    ZtAppPrefsDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QString("Workspace Settings"));
    ASSERT_EQ(dialog.tabs()->count(), 2);
    EXPECT_EQ(dialog.tabs()->tabText(0), QString("General"));
    EXPECT_EQ(dialog.tabs()->tabText(1), QString("Colors"));
    EXPECT_EQ(dialog.useDefaultsButton()->text(), QString("Use Defaults"));
    EXPECT_EQ(dialog.restoreLastSessionButton()->text(), QString("Restore from Last Session"));
    EXPECT_TRUE(dialog.useDefaultsButton()->isChecked());
    EXPECT_FALSE(dialog.restoreLastSessionButton()->isChecked());
    EXPECT_EQ(dialog.tabletPressureBox()->text(),
              QString("Wacom Pen pressure controls Brush Size"));
    EXPECT_TRUE(dialog.tabletPressureBox()->isChecked());
}

TEST_F(ZtAppPrefsDialogTest, GeneralShowsThePreferencesInForce) {
    prefs_->setPersistOptions(true);
    prefs_->setUseTabletPressure(false);
    ZtAppPrefsDialog dialog;
    EXPECT_TRUE(dialog.restoreLastSessionButton()->isChecked());
    EXPECT_FALSE(dialog.useDefaultsButton()->isChecked());
    EXPECT_FALSE(dialog.tabletPressureBox()->isChecked());
}

TEST_F(ZtAppPrefsDialogTest, ColoursSitTwoToARowWithTheirNames) {
    ZtAppPrefsDialog dialog;
    for (int i = 0; i < 7; ++i) {
        const int row = i / 2, column = (i % 2) * 2;
        QToolButton* button = buttonAt(dialog, row, column);
        ASSERT_NE(button, nullptr) << i;
        EXPECT_EQ(button, colour(i)->changeButton()) << i;
        EXPECT_EQ(button->defaultAction(), colour(i)->changeAction()) << i;
        auto* label =
            qobject_cast<QLabel*>(dialog.colorGrid()->itemAtPosition(row, column + 1)->widget());
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->text(), colour(i)->description());
        EXPECT_EQ(label->toolTip(), colour(i)->description());
    }
    EXPECT_EQ(dialog.colorGrid()->itemAtPosition(3, 2), nullptr);
    EXPECT_EQ(dialog.restoreDefaultsButton()->text(), QString("Restore Defaults"));
}

TEST_F(ZtAppPrefsDialogTest, OkKeepsTheSwitchesAndCommitsTheColours) {
    ZtAppPrefsDialog dialog;
    const int result = runDialog(dialog, [&] {
        showTab(dialog, 0); // the dialog opens on the tab last shown
        click(dialog.restoreLastSessionButton());
        click(dialog.tabletPressureBox());
        showTab(dialog, 1);
        prompts().answerColour(QColor(Qt::cyan));
        click(buttonAt(dialog, 0, 0));
        click(dialogButton(dialog, QDialogButtonBox::Ok));
    });
    EXPECT_EQ(result, int(QDialog::Accepted));
    EXPECT_TRUE(prefs_->persistOptions());
    EXPECT_FALSE(prefs_->useTabletPressure());
    EXPECT_EQ(colour(0)->color(), QColor(Qt::cyan));
    EXPECT_EQ(colour(0)->committedColor(), QColor(Qt::cyan));
    // The preferences write the settings when they go, not when the dialog closes.
    EXPECT_FALSE(QSettings().contains("Preferences/PersistOptions"));
}

TEST_F(ZtAppPrefsDialogTest, CancelLeavesTheSwitchesAndRevertsEveryColour) {
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (GmColor* c : prefs_->colors())
        spies.push_back(std::make_unique<QSignalSpy>(c, &GmColor::colorChanged));

    ZtAppPrefsDialog dialog;
    const int result = runDialog(dialog, [&] {
        showTab(dialog, 0);
        click(dialog.restoreLastSessionButton());
        EXPECT_TRUE(dialog.restoreLastSessionButton()->isChecked());
        showTab(dialog, 1);
        prompts().answerColour(QColor(Qt::cyan));
        click(buttonAt(dialog, 0, 0));
        prompts().answerColour(QColor(Qt::magenta));
        click(buttonAt(dialog, 1, 2));                   // the fourth colour
        EXPECT_EQ(colour(0)->color(), QColor(Qt::cyan)); // at once, while open
        click(dialogButton(dialog, QDialogButtonBox::Cancel));
    });
    EXPECT_EQ(result, int(QDialog::Rejected));
    EXPECT_FALSE(prefs_->persistOptions());
    EXPECT_EQ(colour(0)->color(), QColor(Qt::green));
    EXPECT_EQ(colour(3)->color(), QColor(Qt::white));
    // Every colour told its listeners, changed or not; the last word is the old colour.
    for (int i = 0; i < 7; ++i) {
        ASSERT_FALSE(spies[i]->isEmpty()) << i;
        EXPECT_EQ(spies[i]->last().at(0).value<QColor>(), colour(i)->color()) << i;
    }
    EXPECT_EQ(spies[0]->size(), 2);
    EXPECT_EQ(spies[1]->size(), 1);
}

TEST_F(ZtAppPrefsDialogTest, RestoreDefaultsSetsEveryColourAndCancelBringsThemBack) {
    // Two colours the user chose in an earlier run.
    prefs_.reset();
    QSettings().clear();
    QSettings().setValue("Colors/Keep Mask", QColor(Qt::magenta));
    QSettings().setValue("Colors/Color Workspace Highlight", QColor(Qt::darkCyan));
    prefs_ = std::make_unique<ZtAppPrefs>();
    ASSERT_EQ(colour(0)->color(), QColor(Qt::magenta));

    ZtAppPrefsDialog dialog;
    runDialog(dialog, [&] {
        showTab(dialog, 1);
        click(dialog.restoreDefaultsButton());
        for (GmColor* c : prefs_->colors())
            EXPECT_EQ(c->color(), c->defaultColor()) << c->keyName().toStdString();
        click(dialogButton(dialog, QDialogButtonBox::Cancel));
    });
    EXPECT_EQ(colour(0)->color(), QColor(Qt::magenta));
    EXPECT_EQ(colour(6)->color(), QColor(Qt::darkCyan));
    EXPECT_EQ(colour(1)->color(), QColor(Qt::red));
}

TEST_F(ZtAppPrefsDialogTest, ReopeningShowsTheSameButtonsAndTheLastTab) {
    QList<QPointer<QToolButton>> first;
    {
        ZtAppPrefsDialog dialog;
        for (int i = 0; i < 7; ++i)
            first << buttonAt(dialog, i / 2, (i % 2) * 2);
        runDialog(dialog, [&] {
            showTab(dialog, 1);
            click(dialogButton(dialog, QDialogButtonBox::Ok));
        });
    }
    // The buttons outlive the dialog, out of any layout and parent.
    for (const QPointer<QToolButton>& button : first) {
        ASSERT_FALSE(button.isNull());
        EXPECT_EQ(button->parent(), nullptr);
    }
    {
        ZtAppPrefsDialog dialog;
        EXPECT_EQ(dialog.tabs()->currentIndex(), 1);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(buttonAt(dialog, i / 2, (i % 2) * 2), first.at(i).data()) << i;
        runDialog(dialog, [&] {
            for (const QPointer<QToolButton>& button : first)
                EXPECT_TRUE(button->isVisible());
            showTab(dialog, 0);
            click(dialogButton(dialog, QDialogButtonBox::Cancel));
        });
    }
    ZtAppPrefsDialog again;
    EXPECT_EQ(again.tabs()->currentIndex(), 0);
}

} // namespace
