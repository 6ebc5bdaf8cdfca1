#include "colour_workspace/colour_workspace_select_tool.h"

#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace.h"
#include "colour_workspace/colour_workspace_icons.h"
#include "model/gm_model.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_cursors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>

#include <cmath>

namespace {

// Whether a press at `point` (image pixels) lies beside the picture: the
// model answers black there, which is no colour of the image. Without an
// image every press samples (black).
bool besideThePicture(const QPointF& point) {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage()) return false;
    const ImageRectF bounds = model->imageRect();
    if (point.x() < bounds.left() || point.y() < bounds.top() || point.x() >= bounds.right() ||
        point.y() >= bounds.bottom())
        return true;
    const int factor = model->resolutionFactor();
    return !model->workspaceImage().valid(int(std::floor(point.x() / factor)),
                                          int(std::floor(point.y() / factor)));
}

} // namespace

ColourWorkspaceSelectTool::ColourWorkspaceSelectTool(QActionGroup* actionGroup,
                                                     QWidget* actionWidget, QWidget* optionsParent,
                                                     ColourWorkspace* workspace)
    : GmTool(QStringLiteral("Color Sampler"), tr("Color Sampler"), colourSamplerIcon(), tr("S"),
             QString(), actionGroup, actionWidget, nullptr, optionsParent),
      workspace_(workspace), cursor_(createPipetteCursor()) {
    if (workspace) workspace->setSamplerTool(this);

    auto* options = new QWidget;
    auto* row = new QHBoxLayout(options);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Resolution: "), options));
    row->addWidget(new QLabel(tr("Coarse  "), options));
    slider_ = new QSlider(Qt::Horizontal, options);
    row->addWidget(slider_);
    row->addWidget(new QLabel(tr("   Fine"), options));
    row->addWidget(new QWidget(options), 1);
    if (workspace) {
        QSlider* colourBits = workspace->colourBits_;
        slider_->setRange(colourBits->minimum(), colourBits->maximum());
        slider_->setValue(colourBits->value());
        // Each follows the other; setValue of an equal value emits nothing,
        // so the echo ends there.
        connect(slider_, &QSlider::valueChanged, colourBits, &QSlider::setValue);
        connect(colourBits, &QSlider::valueChanged, slider_, &QSlider::setValue);
    }
    setOptionsWidget(options);

    setWhatsThisText(
        tr("<p>Use the Color Sampler to select colors <b><i>from the image </i></b>(either the "
           "whole image or from a Patch) using the &lsquo;eye-dropper&rsquo; and to see those "
           "selections appear highlighted in the Color Workspace.</p><ul><li>Hold down Shift to "
           "add to selections.</li><li>Hold down Alt to remove from selections</li></ul><p><b><i>"
           "Note</i></b>: This slider is the same as the Color Workspace Resolution "
           "slider&mdash;both are synchronized, they move together.</p><p><b><i>Consider:</i></b>"
           " For very fine selections consider moving the <b>Resolution</b> slider in the Tool "
           "Options to &lsquo;Fine&rsquo;.</p>") +
        learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Using_the_Color_Workspace.htm")));
    // The base took its own isAvailable while under construction.
    setEnabledSlot();
}

ColourWorkspaceSelectTool::~ColourWorkspaceSelectTool() {
    if (workspace_ && workspace_->samplerTool() == this) workspace_->setSamplerTool(nullptr);
}

QCursor ColourWorkspaceSelectTool::cursor() const {
    return cursor_ ? *cursor_ : QCursor(Qt::CrossCursor);
}

void ColourWorkspaceSelectTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton || besideThePicture(point)) return;
    emit colourPicked(GmModel::instance()->workingPixelColour(point.x(), point.y()),
                      event->modifiers());
}

void ColourWorkspaceSelectTool::escape() {
    if (workspace_ && !workspace_->colourDisplay_->selectionEmpty()) {
        workspace_->colourDisplay_->unHighlight();
        return;
    }
    GmTool::escape();
}

void ColourWorkspaceSelectTool::activate(GmTool* previous) {
    resetButtonState();
    // Coming back from a tool that stood in for the sampler (the hand, while
    // the space bar is held), the sampler keeps the tool it had.
    if (previous && previous->previousTool() == this) return;
    previous_ = previous;
    hadPrevious_ = previous != nullptr;
}

void ColourWorkspaceSelectTool::deactivate(GmTool*) {
    resetButtonState();
}
