// A document for the shape and stroke tests: a plain source image of a given
// size in the model at a given resolution factor, a fixed brush size, and a
// record of the model's repaint requests. Everything is put back afterwards.
#ifndef TESTS_APP_MODEL_MODEL_FIXTURE_H
#define TESTS_APP_MODEL_MODEL_FIXTURE_H

#include "model/dirty_hint.h"
#include "model/image_coordinates.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

class ZtSourceImage;

inline void PrintTo(const QRectF& rect, std::ostream* out) {
    *out << "QRectF(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", "
         << rect.height() << ")";
}
inline void PrintTo(const ImageRectF& rect, std::ostream* out) {
    PrintTo(static_cast<const QRectF&>(rect), out);
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", "
         << rect.height() << ")";
}
inline void PrintTo(const QPointF& point, std::ostream* out) {
    *out << "QPointF(" << point.x() << ", " << point.y() << ")";
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "QPoint(" << point.x() << ", " << point.y() << ")";
}

struct DirtyCall {
    ImageRectF rect;
    DirtyHint hint;
    PatchPreviewWanted preview;
};

class ModelFixture : public ::testing::Test {
protected:
    ModelFixture();
    ~ModelFixture() override;

    // A source image of width x height image pixels in the model, at `factor`.
    void useImage(int width, int height, int factor = 1);
    // Every brush paints `size` pixels wide from now on.
    void setBrushSize(int size);

    const QList<DirtyCall>& dirtyCalls() const { return dirty_; }
    void forgetDirtyCalls() { dirty_.clear(); }

private:
    std::unique_ptr<ZtSourceImage> image_;
    std::unique_ptr<QObject> listener_;
    QList<DirtyCall> dirty_;
};

// The pixels of a one-bit or 8-bit indexed image whose index is not 0.
QSet<QPair<int, int>> setPixels(const QImage& image);

// A set of pixels, for tables.
QSet<QPair<int, int>> pixels(std::initializer_list<QPair<int, int>> list);

// Every pixel of the rectangle.
QSet<QPair<int, int>> pixelsOf(const QRect& rect);

#endif
