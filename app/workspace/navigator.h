// The navigator's thumbnail: the source image, scaled to fit the widget, with
// a red box around the part the image view displays and the active patch's
// outline.
//
// Dragging the box pans the view (rectChanged carries the box's new top-left
// with width and height -1, which scrolls without zooming); a press beside
// the box centres the view on the pressed image point (rectCenterChanged),
// and the drag that follows pans from there. The view tells the thumbnail
// what it displays through setViewRect(); the zero rectangle means the whole
// image, and the box then surrounds the whole thumbnail.
//
// The thumbnail's height follows its width with the image's aspect ratio.
#ifndef APP_WORKSPACE_NAVIGATOR_H
#define APP_WORKSPACE_NAVIGATOR_H

#include "model/image_coordinates.h"

#include <QCursor>
#include <QPixmap>
#include <QPoint>
#include <QRectF>
#include <QWidget>

#include <memory>

class Navigator : public QWidget {
    Q_OBJECT
public:
    explicit Navigator(QWidget* parent = nullptr);
    ~Navigator() override;

    // The displayed part of the image in image pixels; the zero rectangle
    // (0, 0, 0, 0) when the whole image is displayed. Repaints what changed.
    void setViewRect(const QRectF& rect);
    QRectF viewRect() const { return viewRect_; }
    // `rect` (image pixels) in widget pixels: scaled, snapped outwards to
    // whole pixels and moved by the thumbnail's offset.
    QRect thumbRect(const QRectF& rect) const;
    // Thumbnail pixels per image pixel and where the thumbnail's top-left lies
    // in the widget, both as of the last paint (scale 0 before it).
    double scale() const { return scale_; }
    QPoint offset() const { return offset_; }

    // Width 80; the height follows the current width with the image's aspect
    // ratio, at least 80; 80 x 80 without an image.
    QSize sizeHint() const override;

    const QCursor* pointingHandCursor() const { return pointingHand_.get(); }
    const QCursor* openHandCursor() const { return openHand_.get(); }
    const QCursor* grabbingHandCursor() const { return grabbingHand_.get(); }

signals:
    // A drag of the view box: its new top-left, width and height -1.
    void rectChanged(const ImageRectF& rect);
    // A press beside the view box: the image point to centre the view on.
    void rectCenterChanged(const QPoint& point);

public slots:
    // The model's image changed: new size hint, new picture, and the pointing
    // hand when there is an image (the plain arrow without).
    void updateImage();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The source image scaled to `size`, kept until the image or the size changes.
    const QPixmap& thumbnail(const QSize& size);
    // The open hand over the view box, the pointing hand elsewhere.
    void pointAt(const QPoint& position);
    void showCursor(const QCursor* cursor, Qt::CursorShape fallback);

    QRectF viewRect_;
    QRectF dragStartRect_;
    QPoint pressPoint_;
    std::unique_ptr<QCursor> pointingHand_;
    std::unique_ptr<QCursor> openHand_;
    std::unique_ptr<QCursor> grabbingHand_;
    double scale_ = 0;
    QPoint offset_;

    // The picture drawn: a copy of the source at most kReducedSide on its
    // longer side (made once per picture), and that copy at the size shown.
    qint64 reducedKey_ = 0;
    QImage reduced_;
    QPixmap thumbnail_;
};

#endif
