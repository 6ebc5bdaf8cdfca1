// What the colour display paints into its 256 x 256 picture, its background
// menu, and the axis labels.
#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"

#include "colour_workspace_fixture.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/zt_app_prefs.h"

#include <QAction>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using Bx::colour::channel;

const QRgb kGrey = qRgb(240, 240, 240);

// The display with its histogram built from `image` (every pixel unassigned).
void buildFrom(ColourDisplay* display, const QImage& image, channel h, channel v, int bits) {
    StatusBuffer status(image.width(), image.height(), VkStatusUnassigned);
    display->histogram().setAxes(h, v);
    display->histogram().setColourBits(bits);
    display->histogram().rebuildFrom(image, status.image(), nullptr);
}

QRgb at(const QImage& picture, int x, int y) {
    return picture.pixel(x, y) | 0xFF000000u;
}

// One pixel (0, 0, 10) and three (0, 5, 20): column 0 of a red-green
// histogram holds bins of 1 and 3 under a largest column total of 4, drawn
// from the bottom (256) to the middle (128) and from there to the top.
TEST(ColourDisplayPaintingTest, AColumnStacksItsBinsByTheSquareRootOfTheirCounts) {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(0, 0, 10));
    for (int x = 1; x < 4; ++x)
        image.setPixel(x, 0, qRgb(0, 5, 20));
    ColourDisplay display;
    buildFrom(&display, image, channel::Red, channel::Green, 8);
    ASSERT_EQ(display.histogram().largestColumnTotal(), 4u);
    const QImage& picture = display.renderPicture();
    ASSERT_EQ(picture.size(), QSize(256, 256));
    // The lower bin's colour: red and green from its indices, blue averaged.
    for (const int y : {255, 200, 131})
        EXPECT_EQ(at(picture, 0, y), qRgb(0, 0, 10)) << y;
    for (const int y : {125, 60, 0})
        EXPECT_EQ(at(picture, 0, y), qRgb(0, 5, 20)) << y;
    EXPECT_EQ(at(picture, 1, 100), kGrey) << "8 colour bits: the column is 1 pixel wide";
}

TEST(ColourDisplayPaintingTest, ColumnsAndMapBinsWidenWithFewerColourBits) {
    const QImage image = plainImage(2, 2, qRgb(0, 0, 10));
    struct Case {
        int bits;
        int binSide; // pixels of the picture per bin
    };
    for (const Case& c : {Case{8, 1}, Case{4, 16}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " colour bits");
        ColourDisplay display;
        buildFrom(&display, image, channel::Red, channel::Green, c.bits);
        const QRgb binColour = qRgb(0, 0, 10);
        {
            const QImage& histogram = display.renderPicture();
            EXPECT_EQ(at(histogram, 0, 128), binColour);
            EXPECT_EQ(at(histogram, c.binSide - 1, 128), binColour);
            EXPECT_EQ(at(histogram, c.binSide, 128), kGrey);
            EXPECT_EQ(at(histogram, c.binSide - 1, 0), binColour)
                << "the only column is the tallest";
        }
        display.setMode(ColourDisplay::ColourMapMode);
        const QImage& map = display.renderPicture();
        // Bin (0, 0) is the bottom-left square of the map.
        const int top = 256 - c.binSide;
        EXPECT_EQ(at(map, 0, 255), binColour);
        EXPECT_EQ(at(map, c.binSide - 1, top), binColour);
        EXPECT_EQ(at(map, c.binSide, top), kGrey);
        EXPECT_EQ(at(map, 0, top - 1), kGrey);
    }
}

TEST(ColourDisplayPaintingTest, WithoutBinsOnlyTheBackgroundShows) {
    for (const int mode : {ColourDisplay::HistogramMode, ColourDisplay::ColourMapMode}) {
        ColourDisplay display;
        display.setMode(mode);
        display.setRebuildNeeded(true); // no document: no bins
        const QImage& picture = display.renderPicture();
        for (const QPoint p : {QPoint(0, 0), QPoint(128, 128), QPoint(255, 255)})
            EXPECT_EQ(at(picture, p.x(), p.y()), kGrey) << mode;
    }
}

TEST(ColourDisplayPaintingTest, TheBackgroundMenuChecksTheCurrentOneAndAChoiceRepaintsTheMap) {
    ColourDisplay display;
    buildFrom(&display, plainImage(1, 1, qRgb(0, 0, 10)), channel::Red, channel::Green, 8);
    display.setMode(ColourDisplay::ColourMapMode);
    EXPECT_EQ(at(display.renderPicture(), 200, 10), kGrey);

    QMenu menu;
    const QList<QAction*> actions = display.addBackgroundActions(&menu);
    ASSERT_EQ(actions.size(), 3);
    const char* texts[] = {"Gray background", "Yellow background", "Blue background"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(actions[i]->text(), texts[i]);
        EXPECT_TRUE(actions[i]->isCheckable());
        EXPECT_EQ(actions[i]->isChecked(), i == 0);
        EXPECT_EQ(actions[i]->icon().pixmap(16, 16).toImage().pixel(8, 8) | 0xFF000000u,
                  ColourDisplay::backgroundColour(i).rgb());
    }

    display.setBackground(2);
    EXPECT_EQ(display.background(), 2);
    EXPECT_EQ(at(display.renderPicture(), 200, 10), qRgb(240, 255, 255));
    EXPECT_EQ(at(display.renderPicture(), 0, 255), qRgb(0, 0, 10)) << "the bins stay";
    // No choice (-1), or anything outside the three, changes nothing.
    display.setBackground(-1);
    display.setBackground(3);
    EXPECT_EQ(display.background(), 2);
}

TEST(ColourDisplayPaintingTest, TheSelectionIsDrawnInTheStatusArraysHighlightColour) {
    ColourDisplay display;
    display.histogram().setAxes(channel::Red, channel::Green);
    display.colourPicked(QColor(200, 0, 0), Qt::NoModifier); // red 200..207 at 5 bits
    const QImage& picture = display.renderPicture();
    const double c = GmModel::instance()->statusArray()->maskOpacity();
    const QColor highlight = QColor::fromRgba(colourAtOpacity(
        ZtAppPrefs::currentColor(ZtAppPrefs::ColorWorkspaceHighlightColor), highlightOpacity(c)));
    // The highlight blended over the grey background.
    QImage expected(1, 1, QImage::Format_ARGB32_Premultiplied);
    expected.fill(kGrey);
    {
        QPainter painter(&expected);
        painter.fillRect(expected.rect(), highlight);
    }
    for (const int x : {200, 207})
        EXPECT_EQ(at(picture, x, 50), expected.pixel(0, 0) | 0xFF000000u) << x;
    for (const int x : {199, 208})
        EXPECT_EQ(at(picture, x, 50), kGrey) << x;
}

TEST(ColourDisplayPaintingTest, ThePaintRebuildsWhenAskedAndStatusesMatterOnlyWithAClassHidden) {
    ColourDocument document(plainImage(4, 4, qRgb(200, 100, 50)));
    ColourDisplay display;
    const auto counted = [&display] {
        display.renderPicture();
        EXPECT_FALSE(display.rebuildNeeded());
        EXPECT_FALSE(display.histogram().rebuildNeeded());
        const ColourBin* bin = display.histogram().bin(25, 12);
        return bin ? int(bin->count) : 0;
    };
    display.histogram().setAxes(channel::Red, channel::Green); // the histogram's own flag
    display.setHighlightStatusMask(13);
    display.histogram().setStatusMask(13);
    EXPECT_EQ(counted(), 16);

    // Keep hidden: a status change rebuilds at the next paint.
    document.status().set(0, 0, VkStatusKeep);
    display.statusArrayChanged();
    EXPECT_TRUE(display.rebuildNeeded());
    EXPECT_EQ(counted(), 15);

    // Every class viewed: status changes cannot change the counts.
    display.setHighlightStatusMask(15);
    display.histogram().setStatusMask(15);
    EXPECT_EQ(counted(), 16);
    document.status().set(1, 0, VkStatusKeep);
    display.statusArrayChanged();
    EXPECT_FALSE(display.rebuildNeeded());
}

TEST(ColourDisplayPaintingTest, TheFirstPaintHandsTheHighlightColourToTheStatusArrayOnce) {
    GmStatusArray* array = GmModel::instance()->statusArray();
    const QColor preference = ZtAppPrefs::currentColor(ZtAppPrefs::ColorWorkspaceHighlightColor);
    array->highlightColourChanged(Qt::magenta);
    ColourDisplay display;
    display.renderPicture();
    EXPECT_EQ(array->highlightColour(), preference);
    array->highlightColourChanged(Qt::magenta);
    display.renderPicture();
    EXPECT_EQ(array->highlightColour(), QColor(Qt::magenta));
    array->highlightColourChanged(preference);
}

TEST(AxisWidgetTest, LabelsNameTheAxisAndTheVerticalOneCountsInHistogramMode) {
    ColourDisplay display;
    struct Case {
        Qt::Orientation orientation;
        int mode;
        int channel;
        const char* label;
    };
    const Case cases[] = {
        {Qt::Vertical, ColourDisplay::HistogramMode, channel::Hue, "Frequency (Hue)"},
        {Qt::Vertical, ColourDisplay::ColourMapMode, channel::Hue, "Hue"},
        {Qt::Horizontal, ColourDisplay::HistogramMode, channel::Lightness, "Lightness"},
        {Qt::Horizontal, ColourDisplay::ColourMapMode, channel::Saturation, "Saturation"},
        {Qt::Horizontal, ColourDisplay::HistogramMode, channel::NonRgb, "Non RGB"},
        {Qt::Horizontal, ColourDisplay::HistogramMode, 6, ""},
    };
    for (const Case& c : cases) {
        AxisWidget axis;
        axis.setDisplay(&display);
        axis.setOrientation(c.orientation);
        axis.setChannel(Bx::colour::channel(c.channel));
        display.setMode(c.mode);
        EXPECT_EQ(axis.label(), c.label);
    }
    AxisWidget alone;
    alone.setOrientation(Qt::Vertical);
    EXPECT_EQ(alone.label(), "Hue") << "no display, no frequency";
}

TEST(AxisWidgetTest, TheSizeHintFitsTheLongestNameAndFollowsNewNames) {
    AxisWidget axis;
    const QFontMetrics metrics(axis.font());
    axis.setNames({"Red", "Saturation"});
    const QSize text = metrics.boundingRect("Saturation").size();
    EXPECT_EQ(axis.sizeHint(), QSize(text.width() + 10, text.height()));
    axis.setOrientation(Qt::Vertical);
    EXPECT_EQ(axis.sizeHint(), QSize(text.height(), text.width() + 10));
    axis.setNames({"Red"});
    EXPECT_EQ(axis.sizeHint().height(), metrics.boundingRect("Red").width() + 10);
}

} // namespace
