#include "panels/background_picker.h"

#include "model/gm_color.h"
#include "panels/mouse_click_filter.h"
#include "shell/services/whats_this_text.h"
#include "workspace/canvas_hooks.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>

#include <algorithm>

namespace {

constexpr int kCheckerCell = 8;
constexpr int kSwapArrowSize = 14;

// The chequer pattern: set bits take the swatch's colour, the others are white.
QBitmap checkerTexture() {
    QImage cells(2 * kCheckerCell, 2 * kCheckerCell, QImage::Format_Mono);
    cells.setColor(0, qRgb(255, 255, 255));
    cells.setColor(1, qRgb(0, 0, 0));
    cells.fill(0);
    for (int y = 0; y < cells.height(); ++y)
        for (int x = 0; x < cells.width(); ++x)
            if ((x / kCheckerCell + y / kCheckerCell) % 2 == 0) cells.setPixel(x, y, 1);
    return QBitmap::fromImage(cells);
}

// A bent arrow with a head at each end, from the left to the bottom.
QPixmap drawSwapArrow() {
    QPixmap pixmap(kSwapArrowSize, kSwapArrowSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.4));
    QPainterPath bend;
    bend.moveTo(3, 3);
    bend.quadTo(11, 3, 11, 11);
    painter.drawPath(bend);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF({QPointF(0, 3), QPointF(4.5, 0), QPointF(4.5, 6)}));
    painter.drawPolygon(QPolygonF({QPointF(11, 14), QPointF(8, 9.5), QPointF(14, 9.5)}));
    return pixmap;
}

// The canvas's background hook while a picker answers it. Its own type lets
// a picker tell its hook from one someone else installed; the guarded
// pointer keeps it from ever reaching a destroyed picker.
struct PickerBackground {
    QPointer<BackgroundPicker> picker;
    QBrush operator()() const { return picker ? picker->brushFor(0) : QBrush(Qt::white); }
};

} // namespace

BackgroundPicker::BackgroundPicker(QWidget* parent)
    : QWidget(parent), clickFilter_(new MouseClickFilter(this)) {
    swatches_.push_back({std::make_unique<GmColor>(QColor(Qt::blue),
                                                   QStringLiteral("BackgroundPicker") +
                                                       QStringLiteral("/Primary Background"),
                                                   tr("Primary Background"), 1),
                         QBitmap()});
    swatches_.push_back({std::make_unique<GmColor>(QColor(Qt::gray),
                                                   QStringLiteral("BackgroundPicker") +
                                                       QStringLiteral("/Secondary Background"),
                                                   tr("Secondary Background"), 1),
                         checkerTexture()});
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    setToolTip(tr("Select the background color"));
    setWhatsThis(
        tr("<p><b>Background Picker</b></p><p>Choose the color of the background for areas "
           "under the delete mask which will appear as background in the <b>Cut-out view</b> or "
           "in a <b>Preview Cut-out</b>.</p><p>You can choose a color by clicking the colored "
           "square towards the bottom of the tool palette. Alternatively you can swap back and "
           "forth to a checkerboard background using the swap arrow.</p>") +
        learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/About_Zeltran_Tools.htm")));
    connect(clickFilter_, &MouseClickFilter::singleClick, this,
            &BackgroundPicker::singleClickEvent);
    connect(clickFilter_, &MouseClickFilter::doubleClick, this,
            &BackgroundPicker::doubleClickEvent);
    canvasHooks().backgroundBrush = PickerBackground{this};
}

BackgroundPicker::~BackgroundPicker() {
    std::function<QBrush()>& hook = canvasHooks().backgroundBrush;
    const PickerBackground* installed = hook.target<PickerBackground>();
    if (installed && installed->picker == this) hook = nullptr;
}

GmColor* BackgroundPicker::swatchColour(int i) const {
    return swatches_.at(size_t(i)).colour.get();
}

QBrush BackgroundPicker::brushFor(int i) const {
    const Swatch& swatch = swatches_.at(size_t(i));
    const QColor colour = swatch.colour->color();
    if (swatch.texture.isNull()) return QBrush(colour);
    QPixmap pattern(swatch.texture.size());
    pattern.fill(Qt::white);
    QPainter painter(&pattern);
    painter.setPen(colour);
    // A bitmap drawn by a painter takes the pen colour for its set bits.
    painter.drawPixmap(0, 0, swatch.texture);
    painter.end();
    return QBrush(colour, pattern);
}

QRect BackgroundPicker::swatchRect(int i) const {
    const int n = swatchCount();
    const int alongWidth = qRound(double(width() - 2) / (n + 1));
    const int alongHeight = qRound(double(height() - 2) / (n + 1));
    const int s = std::min(alongWidth, alongHeight);
    const int x0 = alongWidth > alongHeight ? (alongWidth - s) / 2 : 0;
    const int y0 = alongHeight > alongWidth ? (alongHeight - s) / 2 : 0;
    const QPoint topLeft(x0 + i * s, y0 + i * s);
    return QRect(topLeft, topLeft + QPoint(2 * s, 2 * s));
}

QSize BackgroundPicker::minimumSizeHint() const {
    const int side = (swatchCount() + 1) * 16 + 2;
    return QSize(side, side);
}

QSize BackgroundPicker::sizeHint() const {
    return minimumSizeHint();
}

void BackgroundPicker::swap() {
    std::rotate(swatches_.begin(), swatches_.end() - 1, swatches_.end());
}

void BackgroundPicker::changed() {
    update();
    emit activeBrushChanged();
}

void BackgroundPicker::singleClickEvent(const QMouseEvent* event) {
    const QPoint p = event->pos();
    for (int i = 0; i < swatchCount(); ++i) {
        if (swatchRect(i).contains(p, true)) {
            const QPointer<BackgroundPicker> self(this);
            swatches_.front().colour->changeColorSlot();
            // The dialog runs an event loop of its own, in which the picker may go.
            if (self) changed();
            return;
        }
    }
    if (p.x() > width() / 2 && p.y() < height()) {
        swap();
        changed();
    }
}

void BackgroundPicker::doubleClickEvent(const QMouseEvent*) {
    swap();
    changed();
}

void BackgroundPicker::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    const QPixmap arrow = drawSwapArrow();
    painter.drawPixmap(swatchRect(swatchCount() - 1).right() - arrow.width(), swatchRect(0).top(),
                       arrow);
    for (int i = swatchCount() - 1; i >= 0; --i) {
        const QRect r = swatchRect(i);
        painter.fillRect(r, Qt::white);
        painter.fillRect(r.adjusted(1, 1, -1, -1), brushFor(i));
    }
}
