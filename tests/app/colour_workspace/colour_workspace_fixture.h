// Small documents for the colour workspace's tests: a workspace image and a
// status image put into the model (without the engine), and a window with
// the colour display between its axes, watched by the edge-band filter, to
// drag in as a user would, and a tool to be current. Everything is put back
// afterwards.
#ifndef TESTS_APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_FIXTURE_H
#define TESTS_APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_FIXTURE_H

#include "colour_channel.h"
#include "tools/gm_tool.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

#include "vardek.h"

class AxisWidget;
class ColourDisplay;
class CWSMouseEventFilter;
class ZtSourceImage;

// A status image as the engine makes one (rows padded to four bytes), every
// pixel `status` to begin with.
struct StatusBuffer {
    StatusBuffer(int width, int height, uchar status);
    void set(int x, int y, uchar value) { bytes[std::size_t(y) * rowBytes + x] = value; }
    // An indexed view of the bytes, without copying.
    QImage image();

    int rowBytes;
    std::vector<uchar> bytes;
    VkImage handle;
};

// `pixels` as the model's source image at factor 1, with a status image of
// its size (every pixel `status`) in the model's status array.
class ColourDocument {
public:
    explicit ColourDocument(const QImage& pixels, uchar status = VkStatusUnassigned);
    ~ColourDocument();
    StatusBuffer& status() { return status_; }

private:
    std::unique_ptr<ZtSourceImage> source_;
    StatusBuffer status_;
};

// An image of `width` x `height` pixels of one colour.
QImage plainImage(int width, int height, QRgb colour);

// The display (256 x 256) with the vertical axis left of it and the
// horizontal axis below, 30 pixels of window around them, the filter
// watching the window and both axes; shown.
struct DisplayWindow {
    DisplayWindow();
    ~DisplayWindow();

    // Mouse events at positions relative to the display, sent to the window.
    void press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void move(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    std::unique_ptr<QWidget> window;
    ColourDisplay* display;
    AxisWidget* vertical;
    AxisWidget* horizontal;
    CWSMouseEventFilter* filter;
};

// Runs of set flags as (first, last) pairs, for readable comparisons.
std::vector<std::pair<int, int>> runsOf(const std::vector<bool>& values);
std::vector<bool> valuesIn(std::initializer_list<std::pair<int, int>> runs);

// What the display emitted, in order.
struct Emission {
    bool twoD;
    std::vector<bool> values;
    QImage pairs;
    Bx::colour::channel horizontal;
    Bx::colour::channel vertical;
    VkPixelStatus mask;
};
class EmissionRecorder {
public:
    explicit EmissionRecorder(ColourDisplay* display);
    ~EmissionRecorder();
    EmissionRecorder(const EmissionRecorder&) = delete;
    EmissionRecorder& operator=(const EmissionRecorder&) = delete;
    const std::vector<Emission>& emissions() const { return emissions_; }
    const Emission& last() const { return emissions_.back(); }
    int unHighlits() const { return unHighlits_; }

private:
    std::vector<QMetaObject::Connection> connections_;
    std::vector<Emission> emissions_;
    int unHighlits_ = 0;
};

// The rectangle of value pairs a 2-D map covers, and how many pairs it covers.
QRect coveredPairs(const QImage& pairs, int* count);

// A tool that does nothing, to be current.
class PlainTool : public GmTool {
public:
    explicit PlainTool(const QString& name)
        : GmTool(name, name, QIcon(), QString(), QString(), nullptr, nullptr, nullptr, nullptr) {}
    void activate(GmTool*) override {}
    void deactivate(GmTool*) override {}
};

#endif
