// What the main window's tests share: an application object as the window
// meets it (run mode, the host's two images, the command line), and a
// fixture that builds windows on the real engine, waits for the engine
// thread, and paints with the window's brushes as the canvas would.
#ifndef TESTS_APP_SHELL_MAIN_WINDOW_FIXTURE_H
#define TESTS_APP_SHELL_MAIN_WINDOW_FIXTURE_H

#include "shell/zt_app.h"
#include "shell/zt_main_window.h"

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

class ControlFileImages;
class GmModel;
class GmTool;

// A file of tests/data.
QString testData(const char* name);

// An application object of the run `mode`; init is not run (the tests' main
// made the Qt application).
class TestApp : public ZtApp {
public:
    explicit TestApp(int mode);
    ~TestApp() override;

    // The host's image: the photograph, held blue, green, red, alpha.
    void takeHostImages();
    // The current control file's input and a copy for the result, as the
    // program takes them; false when the input cannot be read.
    bool takeControlFileImages();
    // With the control file's images: their result written to the output path.
    bool deliverResult() override;

    ZtSourceImage* sourceImage() const override;
    ZtSourceImage* workingImage() const override;
    // The control file's input path when the window asked for the images.
    QString inputPathWhenAsked() const { return inputPathWhenAsked_; }
    using ZtApp::setArguments;

protected:
    void releaseDocument() override;

private:
    QImage pixels_;
    QImage result_;
    std::unique_ptr<ControlFileImages> controlFileImages_;
    std::unique_ptr<ZtSourceImage> source_;
    std::unique_ptr<ZtSourceImage> working_;
    mutable QString inputPathWhenAsked_;
};

class MainWindowFixture : public ::testing::Test {
protected:
    // The document goes as the close of the window will let it go: the
    // engine finishes before the window and its engine thread do.
    void TearDown() override;

    static GmModel* model();

    // A window of the run `mode` with the command line `arguments` (the
    // program first; none: nothing to open).
    ZtMainWindow* makeWindow(int mode = StandaloneMode,
                             const QStringList& arguments = QStringList());
    // A standalone window on the photograph, analysed, the engine idle.
    ZtMainWindow* windowOnPhoto();
    // Closes the window (and its document) and forgets the application.
    void closeWindow();
    // The stored window layout goes: the next window starts as on a first run.
    static void forgetStoredLayout();

    void waitIdle();
    // Waits until the document's analysis has finished.
    bool analysed();
    // A stroke of the window's `brush` from `from` to `to` (image pixels),
    // as the canvas plays it; waits until the engine has laid it.
    void paint(MaskBrushTool::Kind brush, QPointF from, QPointF to);
    // A drag from `from` to `to` (image pixels) as the canvas plays it on `tool`.
    static void drag(GmTool& tool, QPointF from, QPointF to);

    std::unique_ptr<TestApp> app_;
    QPointer<ZtMainWindow> window_;
};

#endif
