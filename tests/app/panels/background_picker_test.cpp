// The background picker: where its swatches lie, which brush is the
// background, and how single and double clicks (told apart by its click
// filter) open the colour dialog or swap the swatches; the canvas paints the
// front swatch while a picker lives.
#include "panels/background_picker.h"

#include "model/gm_color.h"
#include "panels/mouse_click_filter.h"
#include "shell/services/prompt_service.h"
#include "support/scripted_prompt_service.h"
#include "support/test_environment.h"
#include "workspace/canvas_hooks.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

class BackgroundPickerTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().remove("Colors/BackgroundPicker"); }
    void TearDown() override { QSettings().remove("Colors/BackgroundPicker"); }

    // The events a real click or double click at `p` delivers to the picker.
    static void send(QWidget& picker, QEvent::Type type, QPoint p) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, p, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(&picker, &event);
    }
    static void click(QWidget& picker, QPoint p) {
        send(picker, QEvent::MouseButtonPress, p);
        send(picker, QEvent::MouseButtonRelease, p);
    }
    static void doubleClick(QWidget& picker, QPoint p) {
        click(picker, p);
        send(picker, QEvent::MouseButtonDblClick, p);
        send(picker, QEvent::MouseButtonRelease, p);
    }
    // Lets a pending single click be reported.
    static void settle(BackgroundPicker& picker) {
        ASSERT_TRUE(
            test_support::waitFor([&] { return !picker.clickFilter()->hasPendingRelease(); },
                                  QApplication::doubleClickInterval() * 4));
    }
};

TEST_F(BackgroundPickerTest, SwatchesAreSquaresSteppingDiagonallyCentredAlongTheLongerSide) {
    BackgroundPicker picker;
    EXPECT_EQ(picker.sizeHint(), QSize(50, 50));
    EXPECT_EQ(picker.minimumSizeHint(), QSize(50, 50));
    const struct {
        QSize size;
        QRect front;
        QRect back;
    } rows[] = {
        {{50, 50}, QRect(QPoint(0, 0), QPoint(32, 32)), QRect(QPoint(16, 16), QPoint(48, 48))},
        {{80, 50}, QRect(QPoint(5, 0), QPoint(37, 32)), QRect(QPoint(21, 16), QPoint(53, 48))},
        {{50, 80}, QRect(QPoint(0, 5), QPoint(32, 37)), QRect(QPoint(16, 21), QPoint(48, 53))},
    };
    for (const auto& row : rows) {
        picker.resize(row.size);
        EXPECT_EQ(picker.swatchRect(0), row.front)
            << row.size.width() << " x " << row.size.height();
        EXPECT_EQ(picker.swatchRect(1), row.back) << row.size.width() << " x " << row.size.height();
    }
}

TEST_F(BackgroundPickerTest, TheFrontSwatchIsTheBackgroundBlueThenTheGreyChequer) {
    BackgroundPicker picker;
    ASSERT_EQ(picker.swatchCount(), 2);
    EXPECT_EQ(picker.brushFor(0).style(), Qt::SolidPattern);
    EXPECT_EQ(picker.brushFor(0).color(), QColor(Qt::blue));
    picker.swap();
    const QBrush chequer = picker.brushFor(0);
    EXPECT_EQ(chequer.style(), Qt::TexturePattern);
    const QImage pattern = chequer.textureImage();
    EXPECT_EQ(QColor(pattern.pixel(0, 0)), QColor(Qt::gray));
    EXPECT_EQ(QColor(pattern.pixel(pattern.width() - 1, 0)), QColor(Qt::white));
    EXPECT_EQ(picker.swatchColour(0)->keyName(), QString("BackgroundPicker/Secondary Background"));
}

TEST_F(BackgroundPickerTest, ADoubleClickSwapsOnceAndOpensNoDialog) {
    BackgroundPicker picker;
    picker.resize(50, 50);
    QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
    doubleClick(picker, QPoint(10, 10));
    settle(picker);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(picker.brushFor(0).style(), Qt::TexturePattern);
    EXPECT_TRUE(test_support::prompts().asked().isEmpty());
}

TEST_F(BackgroundPickerTest, AClickOnEitherSwatchChangesTheFrontOneBesideThemSwaps) {
    struct Row {
        const char* what;
        QPoint at;
        bool dialog;
        QColor chosen;
        QColor front;
        bool swapped;
    };
    const QColor cancelled;
    const Row rows[] = {
        {"the front swatch", {10, 10}, true, Qt::yellow, Qt::yellow, false},
        {"the back swatch's visible corner", {45, 45}, true, Qt::yellow, Qt::yellow, false},
        {"a cancelled dialog", {10, 10}, true, cancelled, Qt::blue, false},
        {"right of the middle, beside them", {45, 5}, false, {}, Qt::gray, true},
        {"left of the middle", {5, 45}, false, {}, Qt::blue, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QSettings().remove("Colors/BackgroundPicker");
        BackgroundPicker picker;
        picker.resize(50, 50);
        QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
        test_support::prompts().reset();
        if (row.dialog) test_support::prompts().answerColour(row.chosen);
        click(picker, row.at);
        settle(picker);
        const auto& asked = test_support::prompts().asked();
        ASSERT_EQ(asked.size(), row.dialog ? 1 : 0);
        if (row.dialog) {
            EXPECT_EQ(asked.first().text, QColor(Qt::blue).name(QColor::HexArgb));
        }
        EXPECT_EQ(picker.brushFor(0).color(), row.front);
        EXPECT_EQ(picker.brushFor(0).style() == Qt::TexturePattern, row.swapped);
        EXPECT_EQ(changed.count(), row.dialog || row.swapped ? 1 : 0)
            << "a cancelled dialog still repaints";
    }
}

// The colour dialog runs an event loop of its own, in which the window
// holding the picker may close.
class PickerGoesDuringTheDialog : public test_support::ScriptedPromptService {
public:
    std::function<void()> whileOpen;
    QColor colour(QWidget*, const QColor&, const QString&) override {
        whileOpen();
        return QColor(Qt::yellow);
    }
};

TEST_F(BackgroundPickerTest, APickerGoneWhileItsDialogRanIsLeftAlone) {
    auto* picker = new BackgroundPicker;
    picker->resize(50, 50);
    int changes = 0;
    QObject::connect(picker, &BackgroundPicker::activeBrushChanged, [&] { ++changes; });
    PickerGoesDuringTheDialog prompts;
    prompts.whileOpen = [&] { delete picker; };
    setPromptService(&prompts);
    const QMouseEvent click(QEvent::MouseButtonRelease, QPointF(10, 10), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
    picker->singleClickEvent(&click);
    setPromptService(&test_support::prompts());
    EXPECT_EQ(changes, 0);
}

TEST_F(BackgroundPickerTest, TheCanvasPaintsTheFrontSwatchWhileAPickerLivesThenWhite) {
    EXPECT_EQ(backgroundBrush().color(), QColor(Qt::white)) << "no picker yet";
    auto first = std::make_unique<BackgroundPicker>();
    EXPECT_EQ(backgroundBrush().style(), Qt::SolidPattern);
    EXPECT_EQ(backgroundBrush().color(), QColor(Qt::blue));
    first->swap();
    EXPECT_EQ(backgroundBrush().style(), Qt::TexturePattern) << "a swap reaches the canvas";
    EXPECT_EQ(backgroundBrush().textureImage(), first->brushFor(0).textureImage());

    // The last picker built answers; an earlier one going does not take its hook.
    auto second = std::make_unique<BackgroundPicker>();
    first.reset();
    EXPECT_EQ(backgroundBrush().style(), Qt::SolidPattern);
    EXPECT_EQ(backgroundBrush().color(), QColor(Qt::blue));
    second.reset();
    EXPECT_FALSE(canvasHooks().backgroundBrush) << "no hook left to reach a destroyed picker";
    EXPECT_EQ(backgroundBrush().style(), Qt::SolidPattern);
    EXPECT_EQ(backgroundBrush().color(), QColor(Qt::white));

    // A background someone else installed after the picker stays when it goes.
    auto picker = std::make_unique<BackgroundPicker>();
    canvasHooks().backgroundBrush = [] { return QBrush(Qt::red); };
    picker.reset();
    EXPECT_EQ(backgroundBrush().color(), QColor(Qt::red));
    canvasHooks().backgroundBrush = nullptr;
}

} // namespace
