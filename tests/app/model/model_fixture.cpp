#include "model_fixture.h"

#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_model.h"

ModelFixture::ModelFixture() : listener_(std::make_unique<QObject>()) {
    QObject::connect(
        GmModel::instance(),
        QOverload<const ImageRectF&, DirtyHint, PatchPreviewWanted>::of(&GmModel::rectDirty),
        listener_.get(),
        [this](const ImageRectF& rect, DirtyHint hint, PatchPreviewWanted preview) {
            dirty_.append(DirtyCall{rect, hint, preview});
        });
}

ModelFixture::~ModelFixture() {
    listener_.reset();
    GmModel::instance()->setSourceImage(nullptr);
    GmModel::instance()->setResolutionFactor(1);
    Brushing::setBrushSizeHook(nullptr);
}

void ModelFixture::useImage(int width, int height, int factor) {
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(qRgb(90, 120, 150));
    auto image = std::make_unique<ZtSourceImage>(NamedImage(pixels, QUrl()));
    ASSERT_TRUE(image->isValid());
    GmModel::instance()->setSourceImage(image.get());
    ASSERT_TRUE(GmModel::instance()->setResolutionFactor(factor));
    image_ = std::move(image);
}

void ModelFixture::setBrushSize(int size) {
    Brushing::setBrushSizeHook([size] { return size; });
}

QSet<QPair<int, int>> setPixels(const QImage& image) {
    QSet<QPair<int, int>> result;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelIndex(x, y) != 0) result.insert({x, y});
    return result;
}

QSet<QPair<int, int>> pixels(std::initializer_list<QPair<int, int>> list) {
    return QSet<QPair<int, int>>(list.begin(), list.end());
}

QSet<QPair<int, int>> pixelsOf(const QRect& rect) {
    QSet<QPair<int, int>> result;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            result.insert({x, y});
    return result;
}
