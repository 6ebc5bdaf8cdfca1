// Selecting colours in the colour display with the mouse (on the display's
// window, as a user drags) and by picking, and what reaches the status array.
#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/cws_mouse_event_filter.h"

#include "colour_workspace_fixture.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/highlight_thread.h"
#include "support/test_environment.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bx::colour::channel;
using Runs = std::vector<std::pair<int, int>>;

// A 2-D map covering the union of rectangles of value pairs.
QImage pairsIn(std::initializer_list<QRect> rects) {
    QImage map = emptyPairMap();
    for (const QRect& rect : rects)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                map.setPixel(x, y, 1);
    return map;
}

std::string describe(const QImage& pairs) {
    int count = 0;
    const QRect covered = coveredPairs(pairs, &count);
    return "pairs " + std::to_string(count) + " within x " + std::to_string(covered.left()) + ".." +
           std::to_string(covered.right()) + ", y " + std::to_string(covered.top()) + ".." +
           std::to_string(covered.bottom());
}

// The display is 256 x 256 at 5 colour bits: x = 128 is value 127, the end of
// bin 15; y counts up from the bottom (y = 255 is value 0, y = 100 value 155).
TEST(ColourDisplaySelectionTest, DragsSelectRangesAndRectanglesOfBins) {
    using Gesture = std::function<void(DisplayWindow&)>;
    struct Case {
        const char* name;
        int mode;
        Gesture gesture;
        int emissions; // -1: any number
        Runs runs;     // histogram mode: the last emission
        QImage pairs;  // colour-map mode: the last emission
    };
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    const Case cases[] = {
        {"a drag to the middle selects 0 to 127",
         ColourDisplay::HistogramMode,
         [](DisplayWindow& w) {
             w.drag({0, 100}, {128, 100});
         },
         3,
         {{0, 127}},
         {}},
        {"a plain drag replaces: empty, first bin, range, each time",
         ColourDisplay::HistogramMode,
         [](DisplayWindow& w) {
             w.drag({0, 100}, {40, 100});
             w.drag({200, 100}, {230, 100});
         },
         6,
         {{192, 231}},
         {}},
        {"Shift adds a second range",
         ColourDisplay::HistogramMode,
         [=](DisplayWindow& w) {
             w.drag({0, 100}, {40, 100});
             w.drag({200, 100}, {230, 100}, shift);
         },
         -1,
         {{0, 39}, {192, 231}},
         {}},
        {"Alt removes, shown while dragging",
         ColourDisplay::HistogramMode,
         [=](DisplayWindow& w) {
             w.drag({0, 100}, {255, 100});
             w.press({64, 100}, alt);
             w.move({128, 100}, alt);
             w.release({128, 100}, alt);
         },
         -1,
         {{0, 55}, {128, 255}},
         {}},
        {"past the right edge is value 255",
         ColourDisplay::HistogramMode,
         [](DisplayWindow& w) {
             w.drag({200, 100}, {280, 100});
         },
         -1,
         {{192, 255}},
         {}},
        {"from the left band: everything from 0",
         ColourDisplay::HistogramMode,
         [](DisplayWindow& w) {
             w.drag({-10, 100}, {100, 100});
         },
         -1,
         {{0, 103}},
         {}},
        {"the band above does nothing in histogram mode",
         ColourDisplay::HistogramMode,
         [](DisplayWindow& w) {
             w.drag({100, -10}, {150, 100});
         },
         0,
         {},
         {}},
        {"a press inside the selection with Shift changes nothing",
         ColourDisplay::HistogramMode,
         [=](DisplayWindow& w) {
             w.drag({0, 100}, {128, 100});
             w.press({10, 100}, shift);
             w.release({10, 100}, shift);
         },
         3,
         {{0, 127}},
         {}},
        {"a drag in the map selects a rectangle of bins",
         ColourDisplay::ColourMapMode,
         [](DisplayWindow& w) {
             w.drag({0, 255}, {128, 128});
         },
         -1,
         {},
         pairsIn({QRect(0, 0, 128, 128)})},
        {"from the band above: the full width from the pointer up",
         ColourDisplay::ColourMapMode,
         [](DisplayWindow& w) {
             w.drag({100, -10}, {100, 100});
         },
         -1,
         {},
         pairsIn({QRect(0, 152, 256, 104)})},
        {"an edge drag released outside is kept by a following Shift drag",
         ColourDisplay::ColourMapMode,
         [=](DisplayWindow& w) {
             w.press({-10, 100});
             w.move({100, 100});
             w.release({-15, 100});
             w.drag({200, 50}, {230, 20}, shift);
         },
         -1,
         {},
         pairsIn({QRect(0, 0, 104, 256), QRect(192, 200, 40, 40)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DisplayWindow window;
        window.display->setMode(c.mode);
        EmissionRecorder recorder(window.display);
        // A release only commits: it never changes what is shown, so every
        // emission happens while the button is held.
        const auto buttonHeld = [] {
            EXPECT_TRUE(QGuiApplication::mouseButtons() & Qt::LeftButton);
        };
        QObject::connect(window.display,
                         QOverload<QImage, channel, channel, VkPixelStatus>::of(
                             &ColourDisplay::highlightChanged),
                         window.display, buttonHeld);
        QObject::connect(window.display,
                         QOverload<std::vector<bool>, channel, VkPixelStatus>::of(
                             &ColourDisplay::highlightChanged),
                         window.display, buttonHeld);
        c.gesture(window);
        EXPECT_FALSE(window.display->dragging());
        if (c.emissions >= 0) {
            EXPECT_EQ(int(recorder.emissions().size()), c.emissions);
        }
        if (c.emissions == 0) continue;
        ASSERT_FALSE(recorder.emissions().empty());
        const Emission& last = recorder.last();
        ASSERT_EQ(last.twoD, c.mode == ColourDisplay::ColourMapMode);
        if (last.twoD)
            EXPECT_TRUE(last.pairs == c.pairs)
                << describe(last.pairs) << " instead of " << describe(c.pairs);
        else
            EXPECT_EQ(runsOf(last.values), c.runs);
        EXPECT_EQ(last.mask, 15);
    }
}

// The left and bottom edges are value 0, the right and top edges 255, at
// every size: 98 pixels is one where x (1 / w) falls short of 1.
TEST(ColourDisplaySelectionTest, TheDisplaysEdgesAreTheEndsOfTheAxesAtAnySize) {
    for (const int side : {256, 98, 103, 406}) {
        ColourDisplay display;
        display.resize(side, side);
        EXPECT_EQ(display.valueAtX(0), 0) << side;
        EXPECT_EQ(display.valueAtX(side), 255) << side;
        EXPECT_EQ(display.valueAtY(side), 0) << side;
        EXPECT_EQ(display.valueAtY(0), 255) << side;
    }
}

TEST(ColourDisplaySelectionTest, PicksReplaceAddOrRemoveTheColoursBinByTheirModifiers) {
    ColourDisplay display;
    display.histogram().setAxes(channel::Red, channel::Green);
    EmissionRecorder recorder(&display);
    struct Step {
        const char* name;
        QColor colour;
        Qt::KeyboardModifiers modifiers;
        Runs runs;
    };
    const Step steps[] = {
        {"none replaces", QColor(200, 0, 0), Qt::NoModifier, {{200, 207}}},
        {"Shift adds", QColor(10, 90, 0), Qt::ShiftModifier, {{8, 15}, {200, 207}}},
        {"Alt removes", QColor(203, 0, 0), Qt::AltModifier, {{8, 15}}},
        {"Ctrl replaces", QColor(100, 0, 0), Qt::ControlModifier, {{96, 103}}},
        {"Shift with Alt replaces",
         QColor(50, 0, 0),
         Qt::ShiftModifier | Qt::AltModifier,
         {{48, 55}}},
    };
    for (const Step& step : steps) {
        display.colourPicked(step.colour, step.modifiers);
        EXPECT_EQ(runsOf(recorder.last().values), step.runs) << step.name;
        EXPECT_EQ(recorder.last().horizontal, channel::Red) << step.name;
    }

    // In the map the pick is the rectangle of the colour's two bins.
    display.setMode(ColourDisplay::ColourMapMode);
    display.colourPicked(QColor(200, 100, 0), Qt::NoModifier);
    ASSERT_TRUE(recorder.last().twoD);
    EXPECT_TRUE(recorder.last().pairs == pairsIn({QRect(200, 96, 8, 8)}))
        << describe(recorder.last().pairs);
    EXPECT_EQ(recorder.last().vertical, channel::Green);
}

TEST(ColourDisplaySelectionTest, ClearingAlwaysEmitsTheEmptySelectionWithTheStatusMask) {
    ColourDisplay display;
    display.setHighlightStatusMask(13);
    EmissionRecorder recorder(&display);
    display.unHighlight();
    ASSERT_EQ(recorder.emissions().size(), 1u) << "emitted even though nothing changed";
    EXPECT_EQ(recorder.unHighlits(), 1);
    EXPECT_TRUE(display.selectionEmpty());
    EXPECT_EQ(recorder.last().mask, 13);
    display.colourPicked(QColor(0, 0, 0), Qt::NoModifier);
    EXPECT_FALSE(display.selectionEmpty());
    EXPECT_EQ(recorder.last().mask, 13);
    // The same selection again emits nothing; forced, it goes out again.
    const std::size_t before = recorder.emissions().size();
    display.updateHighlight();
    EXPECT_EQ(recorder.emissions().size(), before);
    display.setForceEmit(true);
    display.updateHighlight();
    EXPECT_EQ(recorder.emissions().size(), before + 1);
}

TEST(ColourDisplaySelectionTest, ANewColourResolutionRequantisesTheSelection) {
    struct Case {
        int mode;
        int from, to;
        QColor picked;
        bool emits;
        Runs runs;    // histogram mode
        QImage pairs; // colour-map mode
    };
    const Case cases[] = {
        // New bin 0 covers 0..15 and takes the state of value 0.
        {ColourDisplay::HistogramMode, 5, 4, QColor(8, 0, 0), true, {}, {}},
        {ColourDisplay::HistogramMode, 5, 4, QColor(0, 0, 0), true, {{0, 15}}, {}},
        {ColourDisplay::HistogramMode, 5, 6, QColor(8, 0, 0), false, {{8, 15}}, {}},
        {ColourDisplay::ColourMapMode,
         5,
         6,
         QColor(8, 16, 0),
         false,
         {},
         pairsIn({QRect(8, 16, 8, 8)})},
    };
    for (const Case& c : cases) {
        ColourDisplay display;
        display.histogram().setAxes(channel::Red, channel::Green);
        display.setColourBits(c.from);
        display.setMode(c.mode);
        EmissionRecorder recorder(&display);
        display.colourPicked(c.picked, Qt::NoModifier);
        const std::size_t before = recorder.emissions().size();
        display.setColourBits(c.to);
        EXPECT_EQ(display.histogram().colourBits(), c.to);
        EXPECT_TRUE(display.rebuildNeeded());
        EXPECT_EQ(recorder.emissions().size() > before, c.emits);
        if (c.mode == ColourDisplay::HistogramMode)
            EXPECT_EQ(runsOf(recorder.last().values), c.runs);
        else
            EXPECT_TRUE(recorder.last().pairs == c.pairs) << describe(recorder.last().pairs);
    }
}

TEST(ColourDisplaySelectionTest, TheBandsShowACrossAndOnlyTheMapHasBandsAboveAndBelow) {
    DisplayWindow window;
    CWSMouseEventFilter* filter = window.filter;
    ColourDisplay* display = window.display;
    const auto band = [&](QPoint at) { return filter->bandAt(display->mapToGlobal(at)); };
    struct Case {
        QPoint at;
        int histogram, map;
    };
    const Case cases[] = {
        {{-1, 10}, ColourDisplay::LeftEdge, ColourDisplay::LeftEdge},
        {{-19, 10}, ColourDisplay::LeftEdge, ColourDisplay::LeftEdge},
        {{-20, 10}, ColourDisplay::NoEdge, ColourDisplay::NoEdge},
        {{256, 255}, ColourDisplay::RightEdge, ColourDisplay::RightEdge},
        {{275, 0}, ColourDisplay::RightEdge, ColourDisplay::RightEdge},
        {{276, 0}, ColourDisplay::NoEdge, ColourDisplay::NoEdge},
        {{-5, -5}, ColourDisplay::NoEdge, ColourDisplay::NoEdge},
        {{10, -1}, ColourDisplay::NoEdge, ColourDisplay::TopEdge},
        {{10, -19}, ColourDisplay::NoEdge, ColourDisplay::TopEdge},
        {{10, 256}, ColourDisplay::NoEdge, ColourDisplay::BottomEdge},
        {{10, 276}, ColourDisplay::NoEdge, ColourDisplay::NoEdge},
    };
    for (const Case& c : cases) {
        display->setMode(ColourDisplay::HistogramMode);
        EXPECT_EQ(band(c.at), c.histogram) << c.at.x() << ", " << c.at.y();
        display->setMode(ColourDisplay::ColourMapMode);
        EXPECT_EQ(band(c.at), c.map) << c.at.x() << ", " << c.at.y();
    }

    // Hovering: the vertical axis (left of the display) shows the cross over
    // the band and the arrow off it.
    window.move({-10, 100});
    EXPECT_EQ(window.vertical->cursor().shape(), Qt::CrossCursor);
    window.move({-20, 100});
    EXPECT_EQ(window.vertical->cursor().shape(), Qt::ArrowCursor);
}

TEST(ColourDisplaySelectionTest, TheStatusArrayReceivesExactlyWhatIsEmitted) {
    ColourDocument document(plainImage(8, 8, qRgb(200, 100, 50)));
    GmStatusArray* array = GmModel::instance()->statusArray();
    DisplayWindow window;
    ColourDisplay* display = window.display;
    QObject::connect(
        display,
        QOverload<std::vector<bool>, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        array,
        QOverload<std::vector<bool>, channel, VkPixelStatus>::of(&GmStatusArray::highlightChanged));
    QObject::connect(
        display,
        QOverload<QImage, channel, channel, VkPixelStatus>::of(&ColourDisplay::highlightChanged),
        array,
        QOverload<QImage, channel, channel, VkPixelStatus>::of(&GmStatusArray::highlightChanged));
    display->histogram().setAxes(channel::Saturation, channel::Hue);
    EmissionRecorder recorder(display);

    window.drag({0, 100}, {128, 100});
    ASSERT_TRUE(test_support::waitFor([&] { return array->set1DThread()->isFinished(); }));
    EXPECT_EQ(array->set1DThread()->selection(), recorder.last().values);
    EXPECT_EQ(array->set1DThread()->axis(), channel::Saturation);

    display->setMode(ColourDisplay::ColourMapMode);
    display->unHighlight();
    window.drag({0, 255}, {128, 128});
    ASSERT_TRUE(test_support::waitFor([&] { return array->set2DThread()->isFinished(); }));
    EXPECT_TRUE(array->set2DThread()->selection() == recorder.last().pairs);
    EXPECT_EQ(array->set2DThread()->horizontalAxis(), channel::Saturation);
    EXPECT_EQ(array->set2DThread()->verticalAxis(), channel::Hue);
}

} // namespace
