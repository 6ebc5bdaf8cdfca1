#include "colour_workspace_fixture.h"

#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/cws_mouse_event_filter.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"

#include <QGridLayout>
#include <QTest>

#include <gtest/gtest.h>

StatusBuffer::StatusBuffer(int width, int height, uchar status)
    : rowBytes((width + 3) / 4 * 4),
      bytes(std::size_t(rowBytes) * std::size_t(height), status), handle{width, height, rowBytes,
                                                                         VkKindStatus,
                                                                         bytes.data()} {}

QImage StatusBuffer::image() {
    return QImage(bytes.data(), handle.width, handle.height, rowBytes, QImage::Format_Indexed8);
}

ColourDocument::ColourDocument(const QImage& pixels, uchar status)
    : source_(std::make_unique<ZtSourceImage>(NamedImage(pixels, QUrl()))),
      status_(pixels.width(), pixels.height(), status) {
    GmModel* model = GmModel::instance();
    model->setSourceImage(source_.get());
    model->setResolutionFactor(1);
    model->statusArray()->setImage(&status_.handle);
}

ColourDocument::~ColourDocument() {
    GmModel* model = GmModel::instance();
    model->statusArray()->setImage(nullptr);
    model->setSourceImage(nullptr);
}

QImage plainImage(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

DisplayWindow::DisplayWindow() : window(std::make_unique<QWidget>()) {
    auto* layout = new QGridLayout(window.get());
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(0);
    vertical = new AxisWidget(window.get());
    vertical->setOrientation(Qt::Vertical);
    vertical->setFixedWidth(20);
    display = new ColourDisplay(window.get());
    display->setFixedSize(ColourDisplay::kDeviceSize, ColourDisplay::kDeviceSize);
    horizontal = new AxisWidget(window.get());
    horizontal->setFixedHeight(20);
    vertical->setDisplay(display);
    horizontal->setDisplay(display);
    layout->addWidget(vertical, 0, 0);
    layout->addWidget(display, 0, 1);
    layout->addWidget(horizontal, 1, 1);
    filter = new CWSMouseEventFilter(display, window.get());
    filter->watch(window.get());
    filter->watch(vertical);
    filter->watch(horizontal);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

DisplayWindow::~DisplayWindow() = default;

void DisplayWindow::press(QPoint at, Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, modifiers,
                      display->mapTo(window.get(), at));
}

void DisplayWindow::move(QPoint at, Qt::KeyboardModifiers modifiers) {
    QTest::mouseEvent(QTest::MouseMove, window->windowHandle(), Qt::NoButton, modifiers,
                      display->mapTo(window.get(), at));
}

void DisplayWindow::release(QPoint at, Qt::KeyboardModifiers modifiers) {
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, modifiers,
                        display->mapTo(window.get(), at));
}

void DisplayWindow::drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
    press(from, modifiers);
    move(to, modifiers);
    release(to, modifiers);
}

std::vector<std::pair<int, int>> runsOf(const std::vector<bool>& values) {
    std::vector<std::pair<int, int>> runs;
    for (int v = 0; v < int(values.size()); ++v) {
        if (!values[std::size_t(v)]) continue;
        if (!runs.empty() && runs.back().second == v - 1)
            runs.back().second = v;
        else
            runs.emplace_back(v, v);
    }
    return runs;
}

std::vector<bool> valuesIn(std::initializer_list<std::pair<int, int>> runs) {
    std::vector<bool> values(256, false);
    for (const auto& run : runs)
        for (int v = run.first; v <= run.second; ++v)
            values[std::size_t(v)] = true;
    return values;
}

EmissionRecorder::EmissionRecorder(ColourDisplay* display) {
    connections_.push_back(QObject::connect(
        display,
        QOverload<std::vector<bool>, Bx::colour::channel, VkPixelStatus>::of(
            &ColourDisplay::highlightChanged),
        [this](std::vector<bool> values, Bx::colour::channel h, VkPixelStatus mask) {
            emissions_.push_back({false, values, QImage(), h, h, mask});
        }));
    connections_.push_back(QObject::connect(
        display,
        QOverload<QImage, Bx::colour::channel, Bx::colour::channel, VkPixelStatus>::of(
            &ColourDisplay::highlightChanged),
        [this](QImage pairs, Bx::colour::channel h, Bx::colour::channel v, VkPixelStatus mask) {
            emissions_.push_back({true, {}, pairs, h, v, mask});
        }));
    connections_.push_back(
        QObject::connect(display, &ColourDisplay::unHighlit, [this] { ++unHighlits_; }));
}

EmissionRecorder::~EmissionRecorder() {
    for (const QMetaObject::Connection& connection : connections_)
        QObject::disconnect(connection);
}

QRect coveredPairs(const QImage& pairs, int* count) {
    QRect covered;
    *count = 0;
    for (int y = 0; y < pairs.height(); ++y)
        for (int x = 0; x < pairs.width(); ++x)
            if (pairs.pixelIndex(x, y) != 0) {
                covered |= QRect(x, y, 1, 1);
                ++*count;
            }
    return covered;
}
