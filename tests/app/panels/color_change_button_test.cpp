#include "panels/color_change_button.h"

#include "model/gm_color.h"
#include "support/test_environment.h"

#include <QAction>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ColorChangeButtonTest, OneButtonPerColourShowingItsChangeAction) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QToolButton* button = colorChangeButton(colour);
    EXPECT_EQ(colorChangeButton(colour), button);
    EXPECT_EQ(colour.changeButton(), button);
    EXPECT_EQ(button->defaultAction(), colour.changeAction());
    EXPECT_EQ(button->toolTip(), QString("Change Keep Mask color"));
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST(ColorChangeButtonTest, ClickingOpensTheColourDialog) {
    GmColor colour(Qt::green, "Keep Mask", "Keep Mask", 0);
    QWidget window;
    QToolButton* button = colorChangeButton(colour);
    button->setParent(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    test_support::prompts().answerColour(QColor(Qt::cyan));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      button->mapTo(&window, button->rect().center()));
    EXPECT_EQ(colour.color(), QColor(Qt::cyan));
    EXPECT_EQ(button->icon().pixmap(32, 32).toImage().pixelColor(16, 16), QColor(Qt::cyan));
    button->setParent(nullptr);
}

TEST(ColorChangeButtonTest, TheButtonGoesWithItsColour) {
    auto colour = std::make_unique<GmColor>(Qt::green, "Keep Mask", "Keep Mask", 0);
    QPointer<QToolButton> button = colorChangeButton(*colour);
    QWidget holder;
    button->setParent(&holder);
    colour.reset();
    EXPECT_TRUE(button.isNull());

    // A button its holder deleted first is simply made again.
    GmColor other(Qt::red, "Delete Mask", "Delete Mask", 0);
    {
        QWidget shortLived;
        colorChangeButton(other)->setParent(&shortLived);
    }
    EXPECT_EQ(other.changeButton(), nullptr);
    EXPECT_NE(colorChangeButton(other), nullptr);
}

} // namespace
