#include "tools/zoom_tool.h"

#include "model/gm_model.h"
#include "model/zt_rectangle.h"
#include "shell/services/whats_this_text.h"
#include "tools/remembered_tool.h"
#include "tools/tool_cursors.h"
#include "tools/view_tool_icons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

namespace {

std::unique_ptr<QCursor> orStandard(std::unique_ptr<QCursor> cursor, Qt::CursorShape shape) {
    return cursor ? std::move(cursor) : std::make_unique<QCursor>(shape);
}

} // namespace

ZoomTool::ZoomTool(QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                   QWidget* optionsParent)
    : RectangleTool(
          QStringLiteral("Zoom Tool"), tr("Zoom Tool", "[zt3]"), zoomToolIcon(), tr("Z"),
          tr("<p>Use to zoom in (or out) of the image:</p><ul><li><b><i>Zoom In</i></b>: "
             "Click.</li><li><b><i>Zoom Out</i></b>: Hold down the <b>Alt</b> key and "
             "click.</li><li><b><i>Marquee (Box) Zoom</i></b>: Click and drag.</li></ul>",
             "[tip]") +
              tr("<p>You can also use the <b>Navigator</b> window as an alternative way to adjust "
                 "zoom and panning of the whole image.</p>",
                 "[tip]") +
              learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/About_Zeltran_Tools.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent),
      zoomIn_(orStandard(createZoomInCursor(), Qt::CrossCursor)),
      zoomOut_(orStandard(createZoomOutCursor(), Qt::CrossCursor)),
      zoomUnavailable_(orStandard(createZoomUnavailableCursor(), Qt::ForbiddenCursor)) {
    setOptionsWidget(createOptionsWidget());
}

ZoomTool::~ZoomTool() = default;

QWidget* ZoomTool::createOptionsWidget() {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    actualPixels_ = new QPushButton(tr("Actual Pixels"), widget);
    actualPixels_->setToolTip(tr("Show image with no zoom"));
    actualPixels_->setWhatsThis(tr("<p><b>Actual Pixels</b></p><p>Shows your image in its "
                                   "original form, with no zoom.</p>",
                                   "[tip]"));
    connect(actualPixels_, &QPushButton::clicked, this,
            [this](bool) { emit actualPixelsSignal(); });
    layout->addWidget(actualPixels_);
    fitScreen_ = new QPushButton(tr("Fit Screen"), widget);
    fitScreen_->setToolTip(tr("Zoom to fit image on screen"));
    fitScreen_->setWhatsThis(tr("<p><b>Fit Screen</b></p><p>Adjusts the size of your image, "
                                "automatically, to fit on your screen.</p>",
                                "[tip]"));
    connect(fitScreen_, &QPushButton::clicked, this, [this](bool) { emit fitScreenSignal(); });
    layout->addWidget(fitScreen_);
    layout->addStretch();
    return widget;
}

const QCursor& ZoomTool::cursorOf(ZoomCursor cursor) const {
    switch (cursor) {
    case ZoomOutCursor:
        return *zoomOut_;
    case ZoomUnavailableCursor:
        return *zoomUnavailable_;
    case ZoomInCursor:
    default:
        return *zoomIn_;
    }
}

QCursor ZoomTool::cursor() const {
    return cursorOf(current_);
}

void ZoomTool::setToolCursor(ZoomCursor cursor) {
    if (cursor == current_) return;
    current_ = cursor;
    if (currentTool() == this) emit GmModel::instance()->cursorChanged(&cursorOf(current_));
}

void ZoomTool::updateZoomCursor(Qt::KeyboardModifiers modifiers) {
    const bool alt = modifiers & Qt::AltModifier;
    // A band is a zoom in whatever the keys do meanwhile.
    if (alt && GmModel::instance()->zoomRectangle()) return;
    altHeld_ = alt;
    showZoomCursor();
}

void ZoomTool::showZoomCursor() {
    if (altHeld_)
        setToolCursor(zoomOutPossible_ ? ZoomOutCursor : ZoomUnavailableCursor);
    else
        setToolCursor(zoomInPossible_ ? ZoomInCursor : ZoomUnavailableCursor);
}

void ZoomTool::keyEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Alt) return;
    // Some window systems report the modifiers as they were before the key.
    Qt::KeyboardModifiers modifiers = event->modifiers();
    if (event->type() == QEvent::KeyPress)
        modifiers |= Qt::AltModifier;
    else if (event->type() == QEvent::KeyRelease)
        modifiers &= ~Qt::AltModifier;
    updateZoomCursor(modifiers);
}

void ZoomTool::mousePress(QMouseEvent* event, const QPointF& point) {
    updateZoomCursor(event->modifiers());
    if (event->button() != Qt::LeftButton) return;
    zoomingIn_ = current_ == ZoomInCursor;
    if (zoomingIn_)
        RectangleTool::mousePress(event, point);
    else if (current_ == ZoomOutCursor)
        emit zoomOutSignal();
}

void ZoomTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    updateZoomCursor(event->modifiers());
    if (zoomingIn_) RectangleTool::mouseMove(event, point);
}

void ZoomTool::mouseRelease(QMouseEvent* event, const QPointF& point) {
    updateZoomCursor(event->modifiers());
    if (event->button() != Qt::LeftButton) return;
    const bool finishing = zoomingIn_ && previousButtonState() != ButtonUp;
    zoomingIn_ = false;
    if (finishing)
        finishTarget(point);
    else
        GmModel::instance()->clearZoomRectangle();
}

void ZoomTool::mouseDoubleClick(QMouseEvent* event, const QPointF& point) {
    updateZoomCursor(event->modifiers());
    if (event->button() != Qt::LeftButton) return;
    // The first click made its step; the double click stands for the second
    // press, whose release makes the second step in.
    zoomingIn_ = current_ == ZoomInCursor;
    if (zoomingIn_)
        setPressPoint(point);
    else if (current_ == ZoomOutCursor)
        emit zoomOutSignal();
}

void ZoomTool::escape() {
    if (buttonState() == ButtonUp) {
        GmTool::escape();
        return;
    }
    GmModel::instance()->clearZoomRectangle();
    resetButtonState();
    zoomingIn_ = false;
}

int ZoomTool::allowedViewTabs() const {
    return ViewTabs::Source | ViewTabs::Workspace | ViewTabs::Cutout;
}

bool ZoomTool::clearsPreviewOnPress() const {
    return false;
}

int ZoomTool::targetDrawMode(const ArrowTarget* target) const {
    return rememberedDrawMode(previous_, target);
}

GmTool* ZoomTool::previousTool() const {
    return previous_;
}

void ZoomTool::activate(GmTool* previous) {
    previous_ = toolToRemember(this, previous, previous_);
    resetButtonState();
    zoomingIn_ = false;
}

void ZoomTool::deactivate(GmTool*) {
    GmModel::instance()->clearZoomRectangle();
    resetButtonState();
    zoomingIn_ = false;
}

bool ZoomTool::clearsColourHighlight() const {
    return false;
}

void ZoomTool::startTarget(const QPointF& point) {
    GmModel::instance()->setZoomRectangle(point);
}

zt::Rectangle* ZoomTool::currentTarget() const {
    return GmModel::instance()->zoomRectangle();
}

void ZoomTool::finishTarget(const QPointF& point) {
    GmModel* model = GmModel::instance();
    if (previousButtonState() == ButtonDragging) {
        if (zt::Rectangle* band = model->zoomRectangle()) {
            band->dragCorner(point);
            const ImageRectF bounds = band->boundingRect();
            if (bounds.width() >= 0 && bounds.height() >= 0) emit zoomToRectSignal(bounds);
        }
    } else {
        emit zoomInSignal();
    }
    model->clearZoomRectangle();
}

void ZoomTool::zoomInEnabledSlot(bool enabled) {
    zoomInPossible_ = enabled;
    if (!altHeld_) showZoomCursor();
}

void ZoomTool::zoomOutEnabledSlot(bool enabled) {
    zoomOutPossible_ = enabled;
    if (altHeld_) showZoomCursor();
}

void ZoomTool::setZoomSliderValue(int value) {
    lastSliderValue_ = value;
}
