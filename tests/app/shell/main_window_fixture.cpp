#include "main_window_fixture.h"

#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"
#include "shell/control_file_images.h"
#include "shell/gas_pipe.h"
#include "support/test_environment.h"
#include "tools/gm_tool.h"

#include <QDir>
#include <QMouseEvent>
#include <QSettings>

namespace {

PixelView8 viewOf(QImage* image) {
    PixelView8 view;
    view.width = image->width();
    view.height = image->height();
    view.rowBytes = int(image->bytesPerLine());
    view.pixels = image->bits();
    return view;
}

void send(GmTool& tool, QEvent::Type type, QPointF point) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, button, held, Qt::NoModifier);
    tool.trackButtonState(&event);
    if (type == QEvent::MouseButtonPress)
        tool.mousePress(&event, point);
    else if (type == QEvent::MouseMove)
        tool.mouseMove(&event, point);
    else
        tool.mouseRelease(&event, point);
}

} // namespace

QString testData(const char* name) {
    return QDir(QStringLiteral(CUTOUT_TEST_DATA)).filePath(QLatin1String(name));
}

TestApp::TestApp(int mode)
    : ZtApp(mode, QDir(test_support::scratchPath()).filePath(QStringLiteral("app-logs"))) {}

TestApp::~TestApp() {
    tearDown();
}

void TestApp::takeHostImages() {
    pixels_ = QImage(testData("chelsea.png")).convertToFormat(QImage::Format_ARGB32);
    result_ = pixels_.copy();
    source_ = std::make_unique<ZtSourceImage>(viewOf(&pixels_), QStringLiteral("Layer 1"));
    working_ = std::make_unique<ZtSourceImage>(viewOf(&result_), QStringLiteral("Layer 1"));
}

bool TestApp::takeControlFileImages() {
    controlFileImages_ = std::make_unique<ControlFileImages>();
    if (!controlFileImages_->load(controlFileInputPath())) return false;
    source_ =
        std::make_unique<ZtSourceImage>(controlFileImages_->sourceView(), controlFileInputPath());
    working_ =
        std::make_unique<ZtSourceImage>(controlFileImages_->resultView(), controlFileOutputPath());
    return true;
}

bool TestApp::deliverResult() {
    return !controlFileImages_ || controlFileImages_->writeOutput(controlFileOutputPath());
}

ZtSourceImage* TestApp::sourceImage() const {
    inputPathWhenAsked_ = controlFileInputPath();
    return source_.get();
}

ZtSourceImage* TestApp::workingImage() const {
    return working_.get();
}

void TestApp::releaseDocument() {
    GmModel* model = GmModel::instance();
    if (source_ && model->sourceImage() == source_.get()) model->setSourceImage(nullptr);
    if (working_ && model->workingImage() == working_.get()) model->setWorkingImage(nullptr);
    working_.reset();
    source_.reset();
}

void MainWindowFixture::TearDown() {
    closeWindow();
    setCurrentControlFile(nullptr);
    // A window that closed stored its layout.
    forgetStoredLayout();
}

void MainWindowFixture::forgetStoredLayout() {
    QSettings settings;
    settings.remove(QStringLiteral("UI"));
    settings.remove(QStringLiteral("PersistVersion"));
}

GmModel* MainWindowFixture::model() {
    return GmModel::instance();
}

ZtMainWindow* MainWindowFixture::makeWindow(int mode, const QStringList& arguments) {
    app_ = std::make_unique<TestApp>(mode);
    app_->setArguments(arguments);
    window_ = new ZtMainWindow;
    return window_;
}

ZtMainWindow* MainWindowFixture::windowOnPhoto() {
    makeWindow(StandaloneMode, {QStringLiteral("cutout"), testData("chelsea.png")});
    EXPECT_TRUE(analysed());
    waitIdle();
    return window_;
}

void MainWindowFixture::closeWindow() {
    if (window_) {
        model()->closeImage();
        waitIdle();
    }
    delete window_.data();
    app_.reset();
}

void MainWindowFixture::waitIdle() {
    VardekThread* thread = window_->engineThread();
    ASSERT_TRUE(test_support::waitFor(
        [thread] { return !thread->isBusy() && thread->queuedCount() == 0; }, 30000));
}

bool MainWindowFixture::analysed() {
    return test_support::waitFor(
        [] {
            GmModel* model = GmModel::instance();
            return model->sourceImage() && model->imageSmeg()->hasSegmentation();
        },
        30000);
}

void MainWindowFixture::paint(MaskBrushTool::Kind brush, QPointF from, QPointF to) {
    MaskBrushTool* tool = window_->maskBrush(brush);
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(tool->installSlot());
    drag(*tool, from, to);
    waitIdle();
}

void MainWindowFixture::drag(GmTool& tool, QPointF from, QPointF to) {
    send(tool, QEvent::MouseButtonPress, from);
    send(tool, QEvent::MouseMove, (from + to) / 2);
    send(tool, QEvent::MouseMove, to);
    send(tool, QEvent::MouseButtonRelease, to);
}
