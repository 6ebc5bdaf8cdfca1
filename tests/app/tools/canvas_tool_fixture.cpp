#include "canvas_tool_fixture.h"

#include "support/test_environment.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"
#include "workspace/zt_workspace.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

void CanvasToolFixture::SetUp() {
    PatchToolFixture::SetUp();
    window_->resize(900, 700);
    openImage(QSize(400, 300));
    canvas()->setZoom(1.0, true);
    ASSERT_TRUE(test_support::waitFor([&] {
        return !view_->workspace()->isScrollAnchorPending() &&
               canvas()->imageRect().size() == QSize(400, 300);
    }));
    QApplication::processEvents();
    // The image sits inside the viewport with a margin around it.
    ASSERT_GT(canvas()->imageRect().left(), 20);
    ASSERT_GT(canvas()->imageRect().top(), 20);
}

GmZoomWidget* CanvasToolFixture::canvas() const {
    return view_->canvas();
}

QWindow* CanvasToolFixture::window() const {
    return window_->windowHandle();
}

QPoint CanvasToolFixture::at(const QPointF& imagePoint) const {
    const QPoint inCanvas = canvas()->imageRect().topLeft() + imagePoint.toPoint();
    return canvas()->mapTo(window_.get(), inCanvas);
}

void CanvasToolFixture::paintCanvas() {
    canvas()->grab();
}

void CanvasToolFixture::press(const QPointF& point, Qt::MouseButton button,
                              Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(window(), button, modifiers, at(point));
}

void CanvasToolFixture::move(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    QTest::mouseEvent(QTest::MouseMove, window(), Qt::NoButton, modifiers, at(point));
}

void CanvasToolFixture::release(const QPointF& point, Qt::MouseButton button,
                                Qt::KeyboardModifiers modifiers) {
    QTest::mouseRelease(window(), button, modifiers, at(point));
}

void CanvasToolFixture::click(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(window(), Qt::LeftButton, modifiers, at(point));
}

void CanvasToolFixture::doubleClick(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    QTest::mouseDClick(window(), Qt::LeftButton, modifiers, at(point));
}

void CanvasToolFixture::drag(const QPointF& from, const QPointF& to) {
    press(from);
    move((from + to) / 2);
    move(to);
    release(to);
}
