#include "document_fixture.h"

#include "files/main_window_hooks.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "engine_bridge/vk_cmd_select.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QDataStream>
#include <QSignalSpy>

QImage halves(int width, int height, int rowShift) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int shift = y > 0 ? rowShift : 0;
            image.setPixel(x, y,
                           x < width / 2 ? qRgb(40 + shift, 60, 30) : qRgb(220, 200 - shift, 230));
        }
    return image;
}

QImage twoHalves() {
    return halves(80, 60);
}

QByteArray bytesOf(const QVariant& value) {
    registerPainterPathType();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_5);
    stream << value;
    return bytes;
}

WorkerHold::WorkerHold(VardekThread& thread) : state_(std::make_shared<State>()) {
    const std::shared_ptr<State> state = state_;
    connection_ = QObject::connect(
        &thread, &QThread::started, &thread,
        [state] {
            state->started = true;
            while (!state->release.load())
                QThread::msleep(1);
        },
        Qt::DirectConnection);
}

WorkerHold::~WorkerHold() {
    release();
    QObject::disconnect(connection_);
}

bool WorkerHold::waitStarted() const {
    return test_support::waitFor([this] { return state_->started.load(); });
}

DocumentFixture::DocumentFixture() : thread_(std::make_unique<VardekThread>()) {
    setTipHook([this](const QString& html) { tips_ << html; });
    Brushing::setBrushSizeHook([] { return 9; });
}

DocumentFixture::~DocumentFixture() {
    GmModel* model = GmModel::instance();
    model->closeImage();
    waitIdle();
    EXPECT_EQ(model->engine(), nullptr);
    model->setResolutionFactor(1);
    thread_.reset();
    setTipHook(nullptr);
    Brushing::setBrushSizeHook(nullptr);
}

void DocumentFixture::openFile(const QString& file) {
    openSource(new ZtSourceImage(QStringLiteral(CUTOUT_TEST_DATA "/") + file));
}

void DocumentFixture::openImage(const QImage& image) {
    openSource(new ZtSourceImage(NamedImage(image, QUrl())));
}

void DocumentFixture::openSource(ZtSourceImage* source) {
    ASSERT_TRUE(source->isValid());
    // As the file handler does: the model takes a new image only when none
    // is open, and only a closed document ends its session.
    model()->closeImage();
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    ASSERT_TRUE(model()->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage, source,
                                   nullptr));
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
}

void DocumentFixture::analyse() {
    model()->imageSmeg()->analyse();
    waitIdle();
    ASSERT_TRUE(model()->imageSmeg()->hasSegmentation());
}

RectRegion* DocumentFixture::analysedOwnPatch(QPointF corner, QPointF opposite) {
    auto* patch = new RectRegion(corner);
    patch->rectangle()->dragCorner(opposite);
    patch->smeg().setChecked(true);
    patch->beginSubSession(nullptr);
    waitIdle();
    patch->smeg().analyse();
    waitIdle();
    return patch;
}

void DocumentFixture::waitIdle() {
    ASSERT_TRUE(test_support::waitFor(
        [this] { return thread_->isOpen() && !thread_->isBusy() && thread_->queuedCount() == 0; },
        60000));
}

void DocumentFixture::stroke(QPointF from, QPointF to, int status, int scope) {
    submitAndWait(strokeCommand(from, to, status, scope));
}

VardekCommand* DocumentFixture::strokeCommand(QPointF from, QPointF to, int status,
                                              int scope) const {
    auto* stroke = new GmBrushing(Qt::green);
    stroke->brushing()->startAt(from);
    stroke->brushing()->lineTo(to);
    return new VkCmdSelect(model(), stroke, 15, status, scope, 0);
}

void DocumentFixture::submitAndWait(VardekCommand* command) {
    thread_->submit(command);
    waitIdle();
}

uchar DocumentFixture::statusAt(int x, int y) const {
    return model()->statusArray()->statusImage().pixelIndex(x, y);
}

int DocumentFixture::countWith(uchar bits, const QRect& area) const {
    const QImage& status = model()->statusArray()->statusImage();
    const QRect within = area.isNull() ? status.rect() : area & status.rect();
    int count = 0;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        const uchar* line = status.constScanLine(y);
        for (int x = within.left(); x <= within.right(); ++x)
            count += (line[x] & bits) != 0;
    }
    return count;
}
