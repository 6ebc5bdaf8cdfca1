// The two coordinate systems of the document.
//
// Image coordinates are pixels of the full-resolution image, as doubles; image
// pixel (i, j) is the square [i, i + 1) x [j, j + 1). Workspace coordinates
// are the same divided by the document's resolution factor (1, 2, 4 or 8):
// the engine, the status image, masks and strokes live there.
//
// Going to the workspace multiplies by 1 / factor, coming back multiplies by
// the factor; neither rounds. Only the integer rectangle of an ImageRectF
// rounds, each field to the nearest integer with halves upwards.
#ifndef APP_MODEL_IMAGE_COORDINATES_H
#define APP_MODEL_IMAGE_COORDINATES_H

#include <QMetaType>
#include <QPointF>
#include <QRect>
#include <QRectF>

// A rectangle in workspace pixels.
class GRectF : public QRectF {
public:
    GRectF() = default;
    GRectF(qreal x, qreal y, qreal width, qreal height) : QRectF(x, y, width, height) {}
    GRectF(const QRectF& rect) : QRectF(rect) {}
};

// A point in image pixels.
class ImagePointF : public QPointF {
public:
    ImagePointF() = default;
    ImagePointF(qreal x, qreal y) : QPointF(x, y) {}
    ImagePointF(const QPointF& point) : QPointF(point) {}

    // A workspace point in image pixels: times the factor.
    static ImagePointF fromWorkspace(const QPointF& point, int factor);
    // In workspace pixels: times 1 / factor.
    QPointF toWorkspace(int factor) const;
};

// A rectangle in image pixels. Its default is the empty value (0, 0, -1, -1),
// which the canvas and the shapes read as "no area".
class ImageRectF : public QRectF {
public:
    ImageRectF() : QRectF(0, 0, -1, -1) {}
    ImageRectF(qreal x, qreal y, qreal width, qreal height) : QRectF(x, y, width, height) {}
    ImageRectF(const QRectF& rect) : QRectF(rect) {}

    // The empty value (0, 0, -1, -1).
    static ImageRectF empty() { return ImageRectF(); }
    bool isEmptyValue() const { return *this == ImageRectF(); }
    // Both sides longer than zero.
    bool hasArea() const { return width() > 0 && height() > 0; }

    // A workspace rectangle in image pixels: every field times the factor.
    static ImageRectF fromWorkspace(const QRectF& rect, int factor);
    // In workspace pixels: left, top, right and bottom times 1 / factor.
    GRectF toWorkspace(int factor) const;
    // Every field times `factor`.
    ImageRectF scaled(double factor) const;
    // (round(x), round(y), round(width), round(height)), halves upwards.
    QRect toRect() const;
};

// A double rounded to the nearest integer, halves upwards (-0.5 gives 0, 0.5 gives 1).
int roundHalfUp(double value);

Q_DECLARE_METATYPE(ImagePointF)
Q_DECLARE_METATYPE(ImageRectF)
Q_DECLARE_METATYPE(GRectF)

#endif
