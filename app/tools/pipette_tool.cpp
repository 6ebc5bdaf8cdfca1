#include "tools/pipette_tool.h"

#include "model/gm_model.h"
#include "tools/tool_cursors.h"
#include "tools/view_tool_icons.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>

#include <cmath>

namespace {

// Whether the image has a pixel at `point` (image pixels) in its workspace
// copy: the model answers black for points beside it, which are no colour
// of the image.
bool isOnImage(const QPointF& point) {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage()) return false;
    const ImageRectF bounds = model->imageRect();
    if (point.x() < bounds.left() || point.y() < bounds.top() || point.x() >= bounds.right() ||
        point.y() >= bounds.bottom())
        return false;
    const int factor = model->resolutionFactor();
    return model->workspaceImage().valid(int(std::floor(point.x() / factor)),
                                         int(std::floor(point.y() / factor)));
}

} // namespace

PipetteTool::PipetteTool(const QString& name, const QString& translatedName,
                         QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                         QWidget* optionsParent)
    : GmTool(name, translatedName, pipetteIcon(), QString(), tr("Pick a color from the image."),
             actionGroup, actionWidget, actionHolder, optionsParent),
      cursor_(createPipetteCursor()) {
    setOptionsWidget(new QLabel(QString()));
}

PipetteTool::~PipetteTool() = default;

QCursor PipetteTool::cursor() const {
    return cursor_ ? *cursor_ : QCursor(Qt::CrossCursor);
}

void PipetteTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton || !isOnImage(point)) return;
    emit pipetteToolColourSelected(GmModel::instance()->workingPixelColour(point.x(), point.y()));
    escape();
}

void PipetteTool::escape() {
    resetButtonState();
    if (previous_ && previous_->installSlot()) return;
    if (GmTool* fallback = usableFallbackTool())
        if (fallback != this) fallback->installSlot();
}

void PipetteTool::activate(GmTool* previous) {
    // Over another pipette, the tool that one was picked over; coming back
    // from a tool that stood in for this one (the hand, with the space
    // bar), the tool it had.
    if (auto* pipette = qobject_cast<PipetteTool*>(previous))
        previous_ = pipette->previous_;
    else if (!previous || previous->previousTool() != this)
        previous_ = previous;
    resetButtonState();
    emit pipetteToolSelected(true);
}

void PipetteTool::deactivate(GmTool*) {
    emit pipetteToolSelected(false);
    resetButtonState();
}
