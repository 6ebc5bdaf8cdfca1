#include "model/image_coordinates.h"

#include <cmath>

int roundHalfUp(double value) {
    return int(std::floor(value + 0.5));
}

ImagePointF ImagePointF::fromWorkspace(const QPointF& point, int factor) {
    return ImagePointF(point.x() * factor, point.y() * factor);
}

QPointF ImagePointF::toWorkspace(int factor) const {
    const double scale = 1.0 / factor;
    return QPointF(x() * scale, y() * scale);
}

ImageRectF ImageRectF::fromWorkspace(const QRectF& rect, int factor) {
    return ImageRectF(rect.x() * factor, rect.y() * factor, rect.width() * factor,
                      rect.height() * factor);
}

GRectF ImageRectF::toWorkspace(int factor) const {
    const double scale = 1.0 / factor;
    return GRectF(QRectF(QPointF(left() * scale, top() * scale),
                         QPointF((left() + width()) * scale, (top() + height()) * scale)));
}

ImageRectF ImageRectF::scaled(double factor) const {
    return ImageRectF(x() * factor, y() * factor, width() * factor, height() * factor);
}

QRect ImageRectF::toRect() const {
    return QRect(roundHalfUp(x()), roundHalfUp(y()), roundHalfUp(width()), roundHalfUp(height()));
}
