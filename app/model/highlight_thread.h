// The two threads that mark, in the status array's highlight image, the
// pixels whose colour the colour workspace selected: Set1DThread for a
// selection along one colour axis, Set2DThread for one over two axes.
//
// A pass walks the rectangle row by row; at every position (inside the
// active patch's mask, when there is one) it writes 1 into the highlight
// image where the status class is viewed and the colour passes the thread's
// test, else 0. The test is chosen once per pass from the axis or axis pair;
// an axis outside the six, or a pair other than the twelve of two different
// axes of one family, visits nothing, and with nothing selected the pass
// clears its rectangle without reading a pixel. Setting the stop flag ends a pass at
// its next position; the status array waits for both threads before it
// starts either again or replaces the images they work on.
//
// The pass reads its own shallow copies of the source and status images,
// taken on the user-interface thread when it starts, so replacing the
// model's images (a new colour table for the overlay, a new workspace copy)
// never frees what a pass reads. It writes straight into the highlight
// image's pixels, which the status array keeps in place while a pass runs.
// The copies are let go on the user-interface thread once the pass is over.
//
// User-interface thread, apart from run().
#ifndef APP_MODEL_HIGHLIGHT_THREAD_H
#define APP_MODEL_HIGHLIGHT_THREAD_H

#include "colour_channel.h"

#include <QImage>
#include <QRect>
#include <QThread>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "vardek.h"

class HighlightThread : public QThread {
    Q_OBJECT
public:
    // Thrown inside a pass when the stop flag is seen; caught by the pass itself.
    struct AbortException {};

    explicit HighlightThread(QObject* parent = nullptr);
    ~HighlightThread() override;

    // Starts one pass at low priority, after any earlier pass has ended.
    // `output` is the Mono highlight image, whose pixels are written in place
    // and must stay where they are until the pass has ended; `source` is the
    // workspace image (32-bit) and `status` the status image (8-bit), both
    // copied shallowly; the pass visits `rect`, clipped to the three images,
    // only where `patchMask` (offset = its top-left in workspace pixels) is
    // non-zero when it is not null.
    void startPass(QImage* output, const QImage& source, const QImage& status,
                   const QImage& patchMask, const QRect& rect, VkPixelStatus statusMask);
    // Sets the stop flag and waits, without a time limit, for the pass to end.
    void stopAndWait();
    // Waits, without a time limit, for the pass to end on its own.
    void waitForPass();
    // Whether the stop flag is set (it is cleared when a pass starts).
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    // Whether the last pass has ended (true before the first): what it wrote
    // is then complete and seen here. The status array asks, rather than
    // have the worker post the news: a queued signal from the worker goes
    // through Qt's event list, whose lock the thread sanitizer cannot see.
    bool hasPassEnded() const { return passEnded_.load(std::memory_order_acquire); }

protected:
    void run() override;
    // One pass: the subclass picks its test once and hands it to walk().
    virtual void pass() = 0;
    // Visits the rectangle, writing test(rgb) && status viewed at every
    // position; throws AbortException when the stop flag is seen.
    template <class Test> void walk(const Test& test);

private:
    // After the thread has finished: what the pass wrote is seen here, and
    // the images it read are let go (on this thread, never on the worker).
    void endPass();

    VkPixelStatus statusMask_ = 0;
    uchar* output_ = nullptr;
    int outputRowBytes_ = 0;
    QImage source_;
    QImage status_;
    QImage patchMask_;
    QRect rect_;
    std::atomic<bool> stop_{false};
    // Set by the worker as its last act, read after wait() or by
    // hasPassEnded(): whatever the pass did is ordered before what the
    // user-interface thread does next (a new pass, new images, deleting the
    // thread) in a way the thread sanitizer can see; QThread::wait() waits
    // on a futex it cannot.
    std::atomic<bool> passEnded_{true};
};

// A selection of values along one axis: 256 flags.
class Set1DThread : public HighlightThread {
    Q_OBJECT
public:
    using HighlightThread::HighlightThread;

    // Between passes only.
    void setSelection(const std::vector<bool>& selection, Bx::colour::channel axis);
    const std::vector<bool>& selection() const { return selection_; }
    Bx::colour::channel axis() const { return axis_; }

protected:
    void pass() override;

private:
    std::vector<bool> selection_;
    std::array<std::uint8_t, 256> flags_{};
    bool empty_ = true;
    Bx::colour::channel axis_ = Bx::colour::Red;
};

// A selection of value pairs over two axes: a 256 x 256 Mono map whose pixel
// (x, y) is 1 when the pair (horizontal x, vertical y) is selected.
class Set2DThread : public HighlightThread {
    Q_OBJECT
public:
    using HighlightThread::HighlightThread;

    // Between passes only.
    void setSelection(const QImage& selection, Bx::colour::channel horizontal,
                      Bx::colour::channel vertical);
    const QImage& selection() const { return selection_; }
    Bx::colour::channel horizontalAxis() const { return horizontal_; }
    Bx::colour::channel verticalAxis() const { return vertical_; }

protected:
    void pass() override;

private:
    QImage selection_;
    // The map as 65,536 flags, index vertical * 256 + horizontal.
    std::vector<std::uint8_t> pairs_ = std::vector<std::uint8_t>(256 * 256, 0);
    bool empty_ = true;
    Bx::colour::channel horizontal_ = Bx::colour::Red;
    Bx::colour::channel vertical_ = Bx::colour::Green;
};

#endif
