// The colour display's construction, painting and background menu; its
// gestures and emissions are in colour_display_selection.cpp.
#include "colour_workspace/colour_display.h"

#include "model/gm_color.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/zt_app_prefs.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <cstring>

namespace {

struct Background {
    const char* text;
    QRgb colour;
};

const Background kBackgrounds[ColourDisplay::kBackgroundCount] = {
    {QT_TRANSLATE_NOOP("ColourDisplay", "Gray background"), qRgb(240, 240, 240)},
    {QT_TRANSLATE_NOOP("ColourDisplay", "Yellow background"), qRgb(255, 255, 224)},
    {QT_TRANSLATE_NOOP("ColourDisplay", "Blue background"), qRgb(240, 255, 255)},
};

bool isBackground(int index) {
    return index >= 0 && index < ColourDisplay::kBackgroundCount;
}

} // namespace

ColourDisplay::ColourDisplay(QWidget* parent)
    : QFrame(parent), lastEmitted1D_(256, false), lastEmitted2D_(emptyPairMap()),
      binsPicture_(kDeviceSize, kDeviceSize, QImage::Format_ARGB32_Premultiplied),
      picture_(kDeviceSize, kDeviceSize, QImage::Format_ARGB32_Premultiplied),
      overlay_(kDeviceSize, kDeviceSize, QImage::Format_ARGB32_Premultiplied) {
    // The picture covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (ZtAppPrefs* prefs = ZtAppPrefs::instance())
        connect(prefs->color(ZtAppPrefs::ColorWorkspaceHighlightColor), &GmColor::colorChanged,
                this, &ColourDisplay::highlightColourChanged);
}

ColourDisplay::~ColourDisplay() = default;

QColor ColourDisplay::backgroundColour(int index) {
    return isBackground(index) ? QColor(kBackgrounds[index].colour) : QColor();
}

QString ColourDisplay::backgroundText(int index) {
    return isBackground(index) ? tr(kBackgrounds[index].text) : QString();
}

void ColourDisplay::setBackground(int index) {
    if (!isBackground(index) || index == background_) return;
    background_ = index;
    update();
}

QList<QAction*> ColourDisplay::addBackgroundActions(QMenu* menu) const {
    QList<QAction*> actions;
    for (int i = 0; i < kBackgroundCount; ++i) {
        QPixmap swatch(16, 16);
        swatch.fill(backgroundColour(i));
        QAction* action = menu->addAction(QIcon(swatch), backgroundText(i));
        action->setCheckable(true);
        action->setChecked(i == background_);
        actions.append(action);
    }
    return actions;
}

void ColourDisplay::contextMenuEvent(QContextMenuEvent* event) {
    // The menu owns its actions: they go when it closes.
    QMenu menu(this);
    const QList<QAction*> actions = addBackgroundActions(&menu);
    setBackground(actions.indexOf(menu.exec(event->globalPos())));
}

void ColourDisplay::highlightColourChanged(QColor) {
    update();
}

void ColourDisplay::statusArrayChanged() {
    // With every class viewed the histogram counts every pixel whatever its
    // status: nothing to rebuild.
    if (highlightStatusMask_ == 15) return;
    rebuildNeeded_ = true;
    update();
}

QColor ColourDisplay::highlightPenColour() const {
    // The colour the status array paints highlighted pixels in, so that the
    // selection looks the same here and on the canvas.
    const QColor colour = ZtAppPrefs::currentColor(ZtAppPrefs::ColorWorkspaceHighlightColor);
    const double c = GmModel::instance()->statusArray()->maskOpacity();
    return QColor::fromRgba(colourAtOpacity(colour, highlightOpacity(c)));
}

const QImage& ColourDisplay::renderPicture() {
    if (pushHighlightColour_) {
        pushHighlightColour_ = false;
        GmModel::instance()->statusArray()->highlightColourChanged(
            ZtAppPrefs::currentColor(ZtAppPrefs::ColorWorkspaceHighlightColor));
    }
    if (rebuildNeeded_ || histogram_.rebuildNeeded()) {
        histogram_.rebuild();
        rebuildNeeded_ = false;
    }
    if (mode_ != drawnMode_ || background_ != drawnBackground_ ||
        histogram_.generation() != drawnGeneration_) {
        drawnMode_ = mode_;
        drawnBackground_ = background_;
        drawnGeneration_ = histogram_.generation();
        QPainter painter(&binsPicture_);
        if (mode_ == HistogramMode)
            paintHistogram(&painter);
        else
            paintColourMap(&painter);
    }
    std::memcpy(picture_.bits(), binsPicture_.constBits(), std::size_t(picture_.sizeInBytes()));
    QPainter painter(&picture_);
    paintSelection(&painter);
    return picture_;
}

void ColourDisplay::paintEvent(QPaintEvent*) {
    const QImage& picture = renderPicture();
    QPainter painter(this);
    painter.drawImage(rect(), picture, picture.rect());
}

void ColourDisplay::paintHistogram(QPainter* painter) {
    const float width = float(binsPicture_.width()), height = float(binsPicture_.height());
    painter->fillRect(binsPicture_.rect(), backgroundColour(background_));
    const float root = std::sqrt(float(histogram_.largestColumnTotal()));
    if (root == 0.0f) return;
    const int n = histogram_.binsPerAxis();
    QPen pen(Qt::NoBrush, width / float(n), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter->setBrush(Qt::NoBrush);
    // Each column's segments stack from the bottom in key order, so each
    // starts where the column's running total has got to.
    std::vector<std::uint64_t> running(std::size_t(n), 0);
    histogram_.forEachBin([&](int h, int v, const ColourBin& bin) {
        pen.setColor(QColor(histogram_.binColour(h, v, bin)));
        painter->setPen(pen);
        const float x = float(h) * width / float(n) + width / float(2 * n);
        std::uint64_t& total = running[std::size_t(h)];
        const float below = total == 0 ? 0.0f : std::sqrt(float(total)) / root;
        total += bin.count;
        const float above = std::sqrt(float(total)) / root;
        painter->drawLine(QLineF(x, height * (1.0f - below), x, height * (1.0f - above)));
    });
}

void ColourDisplay::paintColourMap(QPainter* painter) {
    const int n = histogram_.binsPerAxis();
    const QImage& map = histogram_.mapImage(backgroundColour(background_));
    // Nearest-pixel magnification: each bin a square of 256 / n pixels.
    painter->drawImage(
        0, 0,
        map.copy(0, 0, n, n)
            .scaled(binsPicture_.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void ColourDisplay::paintSelection(QPainter* painter) {
    const QColor colour = highlightPenColour();
    if (mode_ == HistogramMode) {
        painter->setPen(QPen(QBrush(colour), 1));
        const std::vector<bool> shown = selection_.shown1D(removing());
        for (int i = 0; i < 256; ++i)
            if (shown[std::size_t(i)]) painter->drawLine(i, 0, i, kDeviceSize);
        return;
    }
    // One pixel per selected pair, value 255 at the top: drawn as one image
    // rather than up to 65,536 points, with the same blending.
    const QImage shown = selection_.shown2D(removing());
    const QRgb premultiplied = qPremultiply(colour.rgba());
    overlay_.fill(Qt::transparent);
    for (int y = 0; y < 256; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(overlay_.scanLine(255 - y));
        for (int x = 0; x < 256; ++x)
            if (coversPair(shown, x, y)) line[x] = premultiplied;
    }
    painter->drawImage(0, 0, overlay_);
}
