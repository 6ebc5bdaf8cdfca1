// The two threads that mark, in the status array's highlight image, the
// pixels whose colour the colour workspace selected: Set1DThread for a
// selection along one colour axis, Set2DThread for one over two axes.
//
// A pass walks the rectangle row by row; at every position (inside the
// active patch's mask, when there is one) it writes 1 into the highlight
// image where the status class is viewed and the colour passes the thread's
// test, else 0. Setting the stop flag ends a pass at its next position; the
// status array waits for both threads before it starts either again or
// replaces the images they work on.
//
// The per-pixel colour tests come with the colour workspace; until then no
// colour passes, so a pass clears the highlight inside its rectangle.
#ifndef APP_MODEL_HIGHLIGHT_THREAD_H
#define APP_MODEL_HIGHLIGHT_THREAD_H

#include "colour_channel.h"

#include <QImage>
#include <QRect>
#include <QThread>

#include <atomic>
#include <vector>

#include "vardek.h"

class HighlightThread : public QThread {
    Q_OBJECT
public:
    // Thrown inside a pass when the stop flag is seen; caught by the pass itself.
    struct AbortException {};

    explicit HighlightThread(QObject* parent = nullptr);
    ~HighlightThread() override;

    // Starts one pass at low priority (user-interface thread; the thread must
    // not be running). `output` is the Mono highlight image, `source` the
    // workspace image (32-bit), `status` the status image; the pass visits
    // `rect`, only where `patchMask` (offset = its top-left in workspace
    // pixels) is non-zero when it is not null. The images must stay in
    // place until the pass ended.
    void startPass(QImage* output, const QImage* source, const QImage* status,
                   const QImage& patchMask, const QRect& rect, VkPixelStatus statusMask);
    // Sets the stop flag and waits, without a time limit, for the pass to end.
    void stopAndWait();
    // Whether the stop flag is set (it is cleared when a pass starts).
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }

protected:
    void run() override;
    // Whether the thread's selection holds this colour (0xAARRGGBB).
    virtual bool matches(QRgb rgb) const = 0;

private:
    void walk();

    VkPixelStatus statusMask_ = 0;
    uchar* output_ = nullptr;
    int outputRowBytes_ = 0;
    const QImage* source_ = nullptr;
    const QImage* status_ = nullptr;
    QImage patchMask_;
    QRect rect_;
    std::atomic<bool> stop_{false};
};

// A selection of values along one axis: 256 flags.
class Set1DThread : public HighlightThread {
    Q_OBJECT
public:
    using HighlightThread::HighlightThread;

    void setSelection(const std::vector<bool>& selection, Bx::colour::channel axis);
    const std::vector<bool>& selection() const { return selection_; }
    Bx::colour::channel axis() const { return axis_; }

protected:
    bool matches(QRgb rgb) const override;

private:
    std::vector<bool> selection_;
    Bx::colour::channel axis_ = Bx::colour::Red;
};

// A selection of value pairs over two axes: a 256 x 256 Mono map whose pixel
// (x, y) is 1 when the pair (horizontal x, vertical y) is selected.
class Set2DThread : public HighlightThread {
    Q_OBJECT
public:
    using HighlightThread::HighlightThread;

    void setSelection(const QImage& selection, Bx::colour::channel horizontal,
                      Bx::colour::channel vertical);
    const QImage& selection() const { return selection_; }
    Bx::colour::channel horizontalAxis() const { return horizontal_; }
    Bx::colour::channel verticalAxis() const { return vertical_; }

protected:
    bool matches(QRgb rgb) const override;

private:
    QImage selection_;
    Bx::colour::channel horizontal_ = Bx::colour::Red;
    Bx::colour::channel vertical_ = Bx::colour::Green;
};

#endif
