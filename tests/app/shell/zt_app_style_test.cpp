#include "shell/zt_app_style.h"

#include "panels/show_menu_action_whats_this.h"
#include "shell/slider_handle_pictures.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSlider>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ExposedSlider : public QSlider {
public:
    using QSlider::initStyleOption;
    using QSlider::QSlider;
    QStyleOptionSlider option() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return option;
    }
};

class ZtAppStyleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plain_);
        ASSERT_TRUE(style_->wrappedStyle());
    }

    // A slider of 0..100 drawn and hit through the application style.
    std::unique_ptr<ExposedSlider> slider(Qt::Orientation orientation,
                                          QSlider::TickPosition ticks = QSlider::NoTicks) {
        constexpr int length = 212;
        auto slider = std::make_unique<ExposedSlider>(orientation);
        slider->setStyle(style_.get());
        slider->setTickPosition(ticks);
        slider->setRange(0, 100);
        slider->setPageStep(10);
        // As thick as the slider asks to be.
        const QSize hint = slider->sizeHint();
        if (orientation == Qt::Horizontal)
            slider->resize(length, hint.height());
        else
            slider->resize(hint.width(), length);
        return slider;
    }

    QRect handleRect(const ExposedSlider& slider) const {
        const QStyleOptionSlider option = slider.option();
        return style_->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
    }

    std::unique_ptr<QStyle> plain_{QStyleFactory::create("Fusion")};
    std::unique_ptr<ZtAppStyle> style_ =
        std::make_unique<ZtAppStyle>(QStyleFactory::create("Fusion"));
};

TEST_F(ZtAppStyleTest, SliderHandleIsThePictureWhereTheValueIs) {
    // A slider 212 pixels long with a 12 pixel handle leaves 200 pixels of travel.
    struct Case {
        const char* name;
        Qt::Orientation orientation;
        bool inverted;
        QSlider::TickPosition ticks;
        int value;
        int position;
    };
    const Case cases[] = {
        {"left end", Qt::Horizontal, false, QSlider::NoTicks, 0, 0},
        {"right end", Qt::Horizontal, false, QSlider::NoTicks, 100, 200},
        {"quarter", Qt::Horizontal, false, QSlider::NoTicks, 25, 50},
        {"quarter, inverted", Qt::Horizontal, true, QSlider::NoTicks, 25, 150},
        {"quarter, ticks below", Qt::Horizontal, false, QSlider::TicksBelow, 25, 50},
        {"quarter, ticks above", Qt::Horizontal, false, QSlider::TicksAbove, 25, 50},
        // Vertical sliders have their minimum at the bottom.
        {"vertical quarter", Qt::Vertical, false, QSlider::NoTicks, 25, 150},
        {"vertical quarter, inverted", Qt::Vertical, true, QSlider::NoTicks, 25, 50},
        {"vertical quarter, ticks on both sides", Qt::Vertical, false, QSlider::TicksBothSides, 25,
         150},
    };
    for (const char* wrapped : {"Fusion", "Windows"}) {
        style_ = std::make_unique<ZtAppStyle>(QStyleFactory::create(wrapped));
        ASSERT_EQ(style_->wrappedStyle()->objectName().toLower(), QString(wrapped).toLower());
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(wrapped) + ": " + c.name);
            auto s = slider(c.orientation, c.ticks);
            s->setInvertedAppearance(c.inverted);
            s->setValue(c.value);
            const QRect handle = handleRect(*s);
            EXPECT_EQ(handle.size(), sliderHandlePicture(c.orientation).size());
            EXPECT_EQ(c.orientation == Qt::Horizontal ? handle.left() : handle.top(), c.position);
            // Across, the handle lies on the groove and inside the slider.
            const QStyleOptionSlider option = s->option();
            const QRect groove = style_->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderGroove, s.get());
            if (c.orientation == Qt::Horizontal) {
                EXPECT_TRUE(handle.top() <= groove.top() && groove.bottom() <= handle.bottom());
            } else {
                EXPECT_TRUE(handle.left() <= groove.left() && groove.right() <= handle.right());
            }
            EXPECT_TRUE(s->rect().contains(handle)) << s->width() << "x" << s->height();
            // The wrapped style hits the handle where it is drawn.
            EXPECT_EQ(
                style_->hitTestComplexControl(QStyle::CC_Slider, &option, handle.center(), s.get()),
                QStyle::SC_SliderHandle);
        }
    }
    EXPECT_EQ(sliderHandlePicture(Qt::Horizontal).size(), QSize(12, 20));
    EXPECT_EQ(sliderHandlePicture(Qt::Vertical).size(), QSize(20, 12));
}

TEST_F(ZtAppStyleTest, SliderShowsThePictureAsItsHandle) {
    auto s = slider(Qt::Horizontal);
    s->setValue(40);
    QImage drawn(s->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::white);
    s->render(&drawn);
    const QImage picture = sliderHandlePicture(Qt::Horizontal)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QPoint at = handleRect(*s).topLeft();
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) != 255) continue;
            ++opaque;
            ASSERT_EQ(drawn.pixel(at + QPoint(x, y)), picture.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 100);
}

TEST_F(ZtAppStyleTest, ClickInTheGrooveJumpsTheHandleThere) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        SCOPED_TRACE(int(button));
        auto s = slider(Qt::Horizontal);
        s->setValue(0);
        s->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s.get()));
        const QPoint click(150, s->height() / 2);
        QTest::mouseClick(s->windowHandle(), button, Qt::NoModifier, click);
        // Not a page step: the handle now sits under the pointer.
        EXPECT_GT(s->value(), 50);
        EXPECT_LE(std::abs(handleRect(*s).center().x() - click.x()), 1);
    }
    EXPECT_EQ(style_->styleHint(QStyle::SH_Slider_AbsoluteSetButtons), 5);
}

TEST_F(ZtAppStyleTest, LayoutsAreFourPixelsTighter) {
    QWidget plainWindow;
    plainWindow.setStyle(plain_.get());
    auto* plainLayout = new QVBoxLayout(&plainWindow);
    auto* plainChild = new QWidget(&plainWindow);
    plainChild->setStyle(plain_.get());
    auto* plainChildLayout = new QVBoxLayout(plainChild);

    QWidget window;
    window.setStyle(style_.get());
    auto* layout = new QVBoxLayout(&window);
    auto* child = new QWidget(&window);
    child->setStyle(style_.get());
    auto* childLayout = new QVBoxLayout(child);

    const int tighter = ZtAppStyle::kLayoutTightening;
    EXPECT_EQ(layout->contentsMargins().left(), plainLayout->contentsMargins().left() - tighter);
    EXPECT_EQ(layout->contentsMargins().bottom(),
              plainLayout->contentsMargins().bottom() - tighter);
    EXPECT_EQ(childLayout->contentsMargins().top(),
              plainChildLayout->contentsMargins().top() - tighter);
    EXPECT_EQ(layout->spacing(), plainLayout->spacing() - tighter);
}

TEST_F(ZtAppStyleTest, HintsOfTheStyle) {
    QStyleOption option;
    option.palette.setColor(QPalette::Text, QColor(12, 34, 56));
    EXPECT_EQ(QRgb(style_->styleHint(QStyle::SH_GroupBox_TextLabelColor, &option)),
              QColor(12, 34, 56).rgb());
    EXPECT_EQ(style_->styleHint(QStyle::SH_GroupBox_TextLabelColor), 0);
    EXPECT_EQ(style_->styleHint(QStyle::SH_ToolButton_PopupDelay),
              plain_->styleHint(QStyle::SH_ToolButton_PopupDelay) / 2);
    // Everything else is the wrapped style's.
    EXPECT_EQ(style_->styleHint(QStyle::SH_Menu_SubMenuPopupDelay),
              plain_->styleHint(QStyle::SH_Menu_SubMenuPopupDelay));
    EXPECT_EQ(style_->pixelMetric(QStyle::PM_ScrollBarExtent),
              plain_->pixelMetric(QStyle::PM_ScrollBarExtent));
    // The slider metrics without a slider option too.
    EXPECT_EQ(style_->pixelMetric(QStyle::PM_SliderLength),
              plain_->pixelMetric(QStyle::PM_SliderLength));
}

TEST_F(ZtAppStyleTest, PolishShowsToolTipsAlwaysAndWatchesMenus) {
    QWidget widget;
    style_->polish(&widget);
    EXPECT_TRUE(widget.testAttribute(Qt::WA_AlwaysShowToolTips));

    QMenu menu;
    QAction* action = menu.addAction("Open");
    style_->polish(&menu);
    ShowMenuActionWhatsThis* watcher = ShowMenuActionWhatsThis::instance();
    emit menu.aboutToShow();
    emit menu.hovered(action);
    EXPECT_EQ(watcher->action(), action);
    EXPECT_EQ(watcher->menu(), &menu);
    emit menu.aboutToHide();
    EXPECT_FALSE(watcher->isActive());
}

TEST_F(ZtAppStyleTest, WrappedStyleGoesWithTheStyle) {
    QPointer<QStyle> wrapped = QStyleFactory::create("Fusion");
    auto style = std::make_unique<ZtAppStyle>(wrapped);
    EXPECT_EQ(style->wrappedStyle(), wrapped.data());
    style.reset();
    EXPECT_FALSE(wrapped);
}

TEST(ApplicationStyle, WrapsTheApplicationsOwnStyleWhichLivesAsLongAsTheWrapper) {
    QPointer<QStyle> platform = QApplication::style();
    const QString platformName = platform->objectName();
    QPointer<ZtAppStyle> installed = installApplicationStyle();
    ASSERT_TRUE(platform) << "the switch destroyed the application's style";
    EXPECT_EQ(QApplication::style(), installed.data());
    EXPECT_EQ(installed->wrappedStyle(), platform.data());
    EXPECT_EQ(installed->parent(), qApp);

    // A later switch destroys the wrapper, and the wrapped style with it.
    QApplication::setStyle(QStyleFactory::create(platformName));
    EXPECT_FALSE(installed);
    EXPECT_FALSE(platform);
}

} // namespace
