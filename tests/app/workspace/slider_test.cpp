// The slider with nudge buttons: a nudge steps the slider unless its owner
// listens to the request, and new icons replace the old buttons.
#include "workspace/slider.h"

#include "support/test_environment.h"

#include <QBoxLayout>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QPixmap plainIcon(const QColor& colour) {
    QPixmap pixmap(8, 8);
    pixmap.fill(colour);
    return pixmap;
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider_.slider()->setRange(-25, 25);
        slider_.setNudgeIcons(plainIcon(Qt::red), plainIcon(Qt::green));
    }

    Slider slider_;
};

TEST_F(SliderTest, ANudgeWithoutAReceiverStepsTheSliderWithinItsRange) {
    struct Case {
        int start;
        bool up;
        int expected;
    };
    const Case cases[] = {
        {0, true, 1},
        {0, false, -1},
        {25, true, 25},
        {-25, false, -25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << (c.up ? " up" : " down"));
        slider_.slider()->setValue(c.start);
        QTest::mouseClick(c.up ? slider_.upButton() : slider_.downButton(), Qt::LeftButton);
        EXPECT_EQ(slider_.slider()->value(), c.expected);
    }
}

TEST_F(SliderTest, ANudgeWithAReceiverOnlyAsks) {
    QSignalSpy ups(&slider_, &Slider::requestNudgeUp);
    QSignalSpy downs(&slider_, &Slider::requestNudgeDown);
    slider_.slider()->setValue(3);
    QTest::mouseClick(slider_.upButton(), Qt::LeftButton);
    QTest::mouseClick(slider_.downButton(), Qt::LeftButton);
    QTest::mouseClick(slider_.downButton(), Qt::LeftButton);
    EXPECT_EQ(ups.count(), 1);
    EXPECT_EQ(downs.count(), 2);
    EXPECT_EQ(slider_.slider()->value(), 3);
}

TEST_F(SliderTest, NewIconsReplaceTheButtonsAndDeleteTheOldOnes) {
    QBoxLayout* const layout = slider_.boxLayout();
    EXPECT_EQ(layout->objectName(), "Slider::layout_");
    QPointer<QToolButton> oldDown = slider_.downButton();
    QPointer<QToolButton> oldUp = slider_.upButton();
    slider_.setToolTips("Zoom Slider", "Less", "More");

    slider_.setNudgeIcons(plainIcon(Qt::blue), plainIcon(Qt::yellow));

    ASSERT_EQ(layout->count(), 3);
    EXPECT_TRUE(oldDown.isNull());
    EXPECT_TRUE(oldUp.isNull());
    EXPECT_EQ(layout->itemAt(0)->widget(), slider_.downButton());
    EXPECT_EQ(layout->itemAt(1)->widget(), slider_.slider());
    EXPECT_EQ(layout->itemAt(2)->widget(), slider_.upButton());
    EXPECT_EQ(slider_.downButton()->icon().pixmap(8, 8).toImage().pixelColor(4, 4),
              QColor(Qt::blue));
    EXPECT_TRUE(slider_.upButton()->autoRepeat());
    EXPECT_TRUE(slider_.upButton()->autoRaise());
    // The tips given before stay with the new buttons.
    EXPECT_EQ(slider_.slider()->toolTip(), "Zoom Slider");
    EXPECT_EQ(slider_.downButton()->toolTip(), "Less");
    EXPECT_EQ(slider_.upButton()->toolTip(), "More");

    // The new buttons nudge, once each.
    slider_.slider()->setValue(0);
    QTest::mouseClick(slider_.upButton(), Qt::LeftButton);
    EXPECT_EQ(slider_.slider()->value(), 1);
}

TEST(SliderAlone, HoldsOnlyTheSliderUntilItGetsIcons) {
    Slider slider;
    ASSERT_EQ(slider.boxLayout()->count(), 1);
    EXPECT_EQ(slider.boxLayout()->itemAt(0)->widget(), slider.slider());
    EXPECT_EQ(slider.slider()->orientation(), Qt::Horizontal);
    slider.setToolTips("Zoom Slider", "Less", "More");
    EXPECT_EQ(slider.slider()->toolTip(), "Zoom Slider");
    slider.setNudgeIcons(plainIcon(Qt::red), plainIcon(Qt::green));
    EXPECT_EQ(slider.upButton()->toolTip(), "More");
}

} // namespace
