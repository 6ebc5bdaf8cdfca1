// A document driven through the model alone, as the window would drive it:
// the real engine thread and engine, a photograph or a plain image loaded
// with setImages, strokes submitted as the brush tools submit them. The
// document is closed and the engine finished afterwards.
#ifndef TESTS_APP_DOCUMENT_DOCUMENT_FIXTURE_H
#define TESTS_APP_DOCUMENT_DOCUMENT_FIXTURE_H

#include "engine_bridge/vardek_thread.h"
#include "files/main_window_hooks.h"
#include "model/gm_model.h"

#include <QImage>
#include <QMetaObject>
#include <QPointF>
#include <QRect>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

// A dark and a light half; `rowShift` changes every row but the first.
QImage halves(int width, int height, int rowShift = 0);
// Two flat halves, dark and light (80 x 60), that the analysis separates along x = 40.
QImage twoHalves();

// The exact bytes of a value as a project holds it: equal bytes, equal values
// (images, painter paths and bitmaps included).
QByteArray bytesOf(const QVariant& value);

// Switches the run mode for one test and back to standalone afterwards, so
// that closing the document hands the images back for deletion.
class RunModeScope {
public:
    explicit RunModeScope(int mode) {
        setRunModeHook([mode] { return mode; });
    }
    ~RunModeScope() { setRunModeHook(nullptr); }
    RunModeScope(const RunModeScope&) = delete;
    RunModeScope& operator=(const RunModeScope&) = delete;
};

// Holds the engine thread's worker as it starts: after prepare, before the
// engine is called. Released when asked or when it goes.
class WorkerHold {
public:
    explicit WorkerHold(VardekThread& thread);
    ~WorkerHold();
    WorkerHold(const WorkerHold&) = delete;
    WorkerHold& operator=(const WorkerHold&) = delete;

    bool waitStarted() const;
    void release() { state_->release = true; }

private:
    struct State {
        std::atomic<bool> started{false};
        std::atomic<bool> release{false};
    };
    std::shared_ptr<State> state_;
    QMetaObject::Connection connection_;
};

class RectRegion;

class DocumentFixture : public ::testing::Test {
protected:
    DocumentFixture();
    ~DocumentFixture() override;

    GmModel* model() const { return GmModel::instance(); }
    VardekThread& thread() { return *thread_; }

    // Opens `file` (tests/data) or `image` as a new document, closing the one
    // open, and waits until the session has begun.
    void openFile(const QString& file);
    void openImage(const QImage& image);
    void openSource(ZtSourceImage* source);
    // Runs the image's analysis and waits for it.
    void analyse();
    // A rectangle patch from `corner` to `opposite`, analysed on its own
    // ("Analyze Patch Separately"); its session and analysis are waited for.
    RectRegion* analysedOwnPatch(QPointF corner, QPointF opposite);
    // Waits until the engine thread has nothing left to do.
    void waitIdle();
    // Submits a brush stroke from `from` to `to` (image pixels) that paints
    // `status` over every class (the overwrite set 15) in `scope`, as the
    // mask brushes do, and waits for it.
    void stroke(QPointF from, QPointF to, int status, int scope);
    // The command of such a stroke, not yet submitted.
    VardekCommand* strokeCommand(QPointF from, QPointF to, int status, int scope) const;
    void submitAndWait(VardekCommand* command);

    // The status byte of a workspace pixel, and how many pixels carry `bits`
    // (in the whole status image, or within `area`).
    uchar statusAt(int x, int y) const;
    int countWith(uchar bits, const QRect& area = QRect()) const;
    // The tips shown since the test began.
    const QStringList& tips() const { return tips_; }

private:
    std::unique_ptr<VardekThread> thread_;
    QStringList tips_;
};

#endif
