#include "tools/arrow_tool.h"

#include "model/arrow_target.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/shape.h"
#include "panels/parameter_stack.h"
#include "shell/services/whats_this_text.h"
#include "tools/forced_edge_tool.h"
#include "tools/view_tool_icons.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QSpinBox>

namespace {

const char* const kFeatherWidth = "Feather Width";

ArrowTarget* activeTarget() {
    GmModel* model = GmModel::instance();
    if (GmRegion* patch = model->activeRegion()) return patch;
    return model->activeForcedEdge();
}

ShapeHit hitOf(ArrowTarget* target, const QPointF& point) {
    ShapeHit hit = target->shape()->hitTest(point);
    if (hit.kind != ShapeHit::None) hit.target = target;
    return hit;
}

bool isHandle(const ShapeHit& hit) {
    return hit.kind == ShapeHit::Vertex || hit.kind == ShapeHit::Edge;
}

void deselectAll() {
    GmModel* model = GmModel::instance();
    model->setActiveRegion(nullptr, 1);
    model->setActiveForcedEdge(nullptr);
}

} // namespace

ArrowTool::ArrowTool(QActionGroup* actionGroup, QWidget* actionWidget, QWidget* optionsParent)
    : GmTool(QStringLiteral("Select Tool"), tr("Select Tool"), arrowToolIcon(), tr("A"), QString(),
             actionGroup, actionWidget, nullptr, optionsParent) {
    setWhatsThisText(tr("<p>Use to select and activate objects such as ") +
                     tr("<b>Patches</b> and ") + tr("<b>Forced Edges</b> within an image.</p>") +
                     learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/About_Zeltran_Tools.htm")));
    const ForcedEdgeTool::WidthOptions options = ForcedEdgeTool::forcedEdgeWidthOptions();
    widthStack_ = options.stack;
    widthStack_->connectParameter(QString::fromLatin1(kFeatherWidth), this,
                                  SLOT(forcedEdgeWidthChangedSlot(int)));
    setOptionsWidget(options.widget);
    syncForcedEdgeOptions();
    setArrowTool(this);
}

ArrowTool::~ArrowTool() = default;

ShapeHit ArrowTool::hitTestTargets(const QPointF& point) const {
    ArrowTarget* const active = activeTarget();
    const ShapeHit activeHit = active ? hitOf(active, point) : ShapeHit();
    // The handles of the active object always win.
    if (isHandle(activeHit)) return activeHit;

    ShapeHit inside;
    for (ArrowTarget* target : GmModel::instance()->allArrowTargets()) {
        if (target == active) continue;
        const ShapeHit hit = hitOf(target, point);
        if (isHandle(hit)) return hit;
        if (hit.kind != ShapeHit::None) inside = hit;
    }
    if (inside.kind == ShapeHit::None || activeHit.kind != ShapeHit::None) return activeHit;
    return inside;
}

void ArrowTool::updateCursor(const ShapeHit& hit, bool pressed) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (hit.kind != ShapeHit::None)
        shape = hit.target && hit.target->isActive() ? Qt::CursorShape(hit.cursor)
                                                     : Qt::PointingHandCursor;
    if (shape == Qt::OpenHandCursor && pressed) shape = Qt::ClosedHandCursor;
    setCursorShape(shape);
}

void ArrowTool::setCursorShape(Qt::CursorShape shape) {
    if (shape == cursor_.shape()) return;
    cursor_ = QCursor(shape);
    emit GmModel::instance()->cursorChanged(&cursor_);
}

void ArrowTool::syncForcedEdgeOptions() {
    QWidget* const options = optionsWidget();
    if (!options) return;
    ForcedEdge* const edge = GmModel::instance()->activeForcedEdge();
    options->setEnabled(edge != nullptr);
    // Shown only while the tool is current: the options strip shows one
    // tool's page at a time, and a page not in it yet would come up as a
    // window of its own.
    if (!edge)
        options->hide();
    else if (currentTool() == this)
        options->show();
    if (!edge || !widthStack_) return;
    if (QSpinBox* row = widthStack_->spinBox(QString::fromLatin1(kFeatherWidth)))
        row->setValue(edge->featherWidth());
}

QCursor ArrowTool::cursor() const {
    return cursor_;
}

ArrowTarget* ArrowTool::dragTarget() const {
    return dragging_ ? grabbed_.data() : nullptr;
}

void ArrowTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton) return;
    // A drag whose release never came ends before a new one begins.
    if (dragging_) finishDrag(point);

    hit_ = hitTestTargets(point);
    if (hit_.kind != ShapeHit::None) {
        dragging_ = true;
        grabbed_ = hit_.target;
        if (!hit_.target->isActive()) hit_.target->activate();
        // Activation may have let go of the object after all.
        if (grabbed_)
            grabbed_->shape()->beginDrag(hit_, point);
        else
            dragging_ = false;
    } else {
        dragging_ = false;
        grabbed_ = nullptr;
        deselectAll();
    }
    syncForcedEdgeOptions();
    updateCursor(hit_, true);
}

void ArrowTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    if (dragging_) {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) {
            mouseRelease(event, point);
        } else {
            GmModel* model = GmModel::instance();
            ArrowTarget* const target = grabbed_;
            if (target && model->containsRegion(target) && target->isActive())
                target->shape()->drag(hit_, point);
            else
                finishDrag(point);
        }
        if (dragging_) return;
    }
    updateCursor(hitTestTargets(point), false);
}

void ArrowTool::mouseRelease(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton && event->buttons() != Qt::NoButton) return;
    if (!dragging_) return;
    if (grabbed_ && grabbed_->isActive()) setCursorShape(Qt::CursorShape(hit_.cursor));
    finishDrag(point);
}

void ArrowTool::finishDrag(const QPointF& point) {
    ArrowTarget* const target = grabbed_;
    dragging_ = false;
    grabbed_ = nullptr;
    GmModel* model = GmModel::instance();
    // An object taken out of the model is let go as it is.
    if (!target || !model->containsRegion(target)) return;
    QPointer<ArrowTarget> guard(target);
    if (target->shape()->endDrag(hit_, point)) target->shapeChanged();
    if (!guard) return;
    if (GmRegion* patch = target->asRegion())
        if (patch->isActive()) model->announceActiveRegionReady(patch);
}

void ArrowTool::mouseDoubleClick(QMouseEvent* event, const QPointF&) {
    if (event->button() != Qt::LeftButton) return;
    ArrowTarget* const active = activeTarget();
    if (!active) return;
    const ImageRectF bounds = active->shape()->boundingRect();
    const double dx = bounds.width() * 0.05, dy = bounds.height() * 0.05;
    emit zoomToRectSignal(ImageRectF(bounds.adjusted(-dx, -dy, dx, dy)));
}

int ArrowTool::targetDrawMode(const ArrowTarget* target) const {
    return target && target->isActive() ? Shape::PaintActive : Shape::PaintOtherOutline;
}

void ArrowTool::activate(GmTool*) {
    resetButtonState();
    syncForcedEdgeOptions();
}

void ArrowTool::deactivate(GmTool*) {
    if (dragging_) finishDrag(hit_.point);
    if (ForcedEdge::forcedEdgesMoved()) {
        ForcedEdge::setForcedEdgesMoved(false);
        GmModel::instance()->resubmitForcedEdges();
    }
    resetButtonState();
}

void ArrowTool::activateArrowTargetAtSlot(const ImagePointF& point) {
    const ShapeHit hit = hitTestTargets(point);
    if (hit.kind != ShapeHit::None)
        hit.target->activate();
    else
        deselectAll();
    syncForcedEdgeOptions();
}

void ArrowTool::forcedEdgeWidthChangedSlot(int width) {
    if (ForcedEdge* edge = GmModel::instance()->activeForcedEdge()) edge->setFeatherWidth(width);
}
