#include "colour_workspace/colour_workspace.h"

#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace_icons.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "colour_workspace/cws_mouse_event_filter.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_select.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/zt_app_prefs.h"
#include "shell/services/whats_this_text.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "workspace/canvas_hooks.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QHideEvent>
#include <QMenu>
#include <QSlider>
#include <QToolButton>

namespace {

using Bx::colour::channel;

constexpr VkPixelStatus kAllViews = 15;

const char kHelpPage[] = "4-Zeltran_Tools/Using_the_Color_Workspace.htm";

std::function<void(GmTool*)>& selectToolHook() {
    static std::function<void(GmTool*)> hook;
    return hook;
}

// The tool the panel saw current last (across panels, as the tools are).
QPointer<GmTool>& lastToolSeen() {
    static QPointer<GmTool> tool;
    return tool;
}

QColor strokeColourOf(VkStatus status) {
    switch (status) {
    case VkStatusKeep:
        return ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor);
    case VkStatusDelete:
        return ZtAppPrefs::currentColor(ZtAppPrefs::DeleteMaskColor);
    case VkStatusBlend:
        return ZtAppPrefs::currentColor(ZtAppPrefs::BlendMaskColor);
    default:
        return ZtAppPrefs::currentColor(ZtAppPrefs::PatchOrForcedEdgeColor);
    }
}

} // namespace

int companionAxis(int chosen, int other) {
    const bool hsl = chosen >= channel::Hue && chosen <= channel::Saturation;
    const int first = hsl ? channel::Hue : channel::Red;
    const bool sameFamily = other >= first && other <= first + 2;
    if (sameFamily && other != chosen) return other;
    // The first axis of the family that is not the chosen one.
    return chosen == first ? first + 1 : first;
}

ColourWorkspace::ColourWorkspace(QWidget* mainWindow, QWidget* actionHolder,
                                 const QString& shortcut)
    : GmSubWindow(QStringLiteral("Color Workspace"), tr("Color Workspace"), actionHolder, shortcut,
                  mainWindow),
      content_(new QWidget) {
    setupUi(content_);
    setWidget(content_);
    QToolButton* const toggles[] = {viewUnassigned_, viewKeep_, viewDrop_, viewBlend_};
    for (int i = 0; i < 4; ++i) {
        viewIcons_[i] = toggles[i]->icon();
        viewIcons_[i + 4] = QIcon(crossedOut(viewIcons_[i]));
    }
    setResizable();

    // What's this.
    const QString learnMore = learnMoreParagraph(QString::fromLatin1(kHelpPage));
    setWhatsThis(
        tr("<p><b>Color Workspace</b></p><p>Displays colors from the Patch or whole image. This "
           "is a useful tool for making fine mask selections.</p><p>To make a selection in the "
           "Color Workspace, click and drag over the area of interest. The selection will be "
           "highlighted in yellow in the Color Workspace <b><i>and</i></b> in the image. To add "
           "further selections hold down the <b>Shift</b> key while dragging the mouse, to "
           "subtract from selections hold down <b>Alt</b> while dragging the mouse.</p><p>Assign "
           "your selection to a Mask by clicking the appropriate &lsquo;mask bucket&rsquo; "
           "icon.</p><p><b><i>Consider:</i></b> For very fine selections, consider moving the "
           "Color Workspace <b>Resolution</b> slider to &lsquo;Fine&rsquo;. Also remember to "
           "check that you have the right <b>Views</b> open&mdash;e.g., to see colors that have "
           "not been assigned a mask, make sure the <b>Unassigned View</b> icon is turned "
           "on.</p>") +
        learnMore);
    const QString buckets =
        tr("<p><b>Assign to Masks</b></p><p>Having made a selection(s) in the <b>Color "
           "Workspace</b>, assign your selection to a Mask using the &lsquo;bucket&rsquo; icons "
           "below:</p><ul><li> Add <b>Keep Mask</b> to selection.</li><li> Add <b>Delete "
           "Mask</b> to selection.</li><li> Add <b>Blend Mask</b> to selection.</li></ul><p><b>"
           "<i>Note:</i></b> Below the above &lsquo;bucket&rsquo; icons in the Color Workspace "
           "there is a &lsquo;blank&rsquo; bucket. Use this to clear all masks from a selection "
           "in the Color Workspace.</p>") +
        learnMore;
    for (QToolButton* bucket : {toKeep_, toDrop_, toBlend_, toUnassigned_})
        bucket->setWhatsThis(buckets);
    colourBits_->setWhatsThis(
        tr("<p><b>Resolution</b></p><p>When working on intricate areas needing more precise "
           "masking, move the slider to the right (towards &lsquo;Fine&rsquo;). This will "
           "produce more detail within the histogram / 2D color chart.<p><p>Moving the slider in "
           "the other direction has the opposite effect. &lsquo;Coarse&rsquo; settings are best "
           "for less complicated images or those where the distinction between foreground and "
           "background are more obvious.</p>") +
        learnMore);
    const QString views =
        tr("<p><b>View from Masks</b></p><p>Control what masks(either in a Patch or for full "
           "image) are shown in the Color Workspace. All of the options below may be viewed "
           "together.</p><ul><li> View areas with no mask assigned.</li><li> View areas "
           "assigned to <b>Keep Mask</b>.</li><li> View areas assigned to <b>Delete "
           "Mask</b>.</li><li> View areas assigned to <b>Blend Mask</b>.</li></ul>") +
        learnMore;
    for (QToolButton* view : toggles)
        view->setWhatsThis(views);
    const QString modes =
        tr("<p><b>Mode</b></p><p><b>Histogram:</b> Maps selected area along horizontal axis "
           "(Photoshop behavior) in vertical columns. The map is divided into small ranges. "
           "Selections in Histogram mode are made by selecting columns along the horizontal "
           "axis (Photoshop behaviour).</p><p><b>2D Color Map:</b> Maps selected area&rsquo;s "
           "color properties on both the horizontal and vertical axes. Selections in the 2D "
           "Color Map mode are made by clicking and dragging a marquee over the area of "
           "interest.</p><p>Each selection will be highlighted in yellow in the Color Workspace "
           "<b><i>and</i></b> in the image. To add to selections hold down the <b>Shift</b> key "
           "while dragging the mouse, to subtract hold down <b>Alt</b> while dragging the "
           "mouse.</p><p>Assign your selection to a Mask by clicking the appropriate &lsquo;mask "
           "bucket&rsquo; icon.</p><p><b><i>Consider:</i></b> For very fine selections moving "
           "the <b>Color Workspace Resolution</b> slider to fine.</p>") +
        learnMore;
    histogramMode_->setWhatsThis(modes);
    colourMapMode_->setWhatsThis(modes);
    // Both axes have the same help, but for the name of the axis.
    const auto axisHelp = [&learnMore](const QString& axis) {
        return tr("<p><b>%1 Axis</b></p><p>You can select a property to show on the <b>Graph "
                  "%1</b> axis using the drop down menu.</p><p>The following properties can be "
                  "mapped: Red, Green, Blue color component, Hue, Lightness and "
                  "Saturation.</p><p><b><i>Consider:</i></b> In <b>2D Map Mode</b> you cannot map "
                  "the same property on both <b>Graph</b> axes&mdash;changing one will "
                  "occasionally change the other. In <b>Histogram Mode</b> the vertical "
                  "<b>Graph</b> axis always shows frequency.</p>")
                   .arg(axis) +
               learnMore;
    };
    const QString horizontal = axisHelp(tr("Horizontal"));
    horizontalAxis_->setWhatsThis(horizontal);
    horizontalAxisChooser_->setWhatsThis(horizontal);
    const QString vertical = axisHelp(tr("Vertical"));
    verticalAxis_->setWhatsThis(vertical);
    verticalAxisChooser_->setWhatsThis(vertical);

    // Wiring.
    GmModel* model = GmModel::instance();
    GmStatusArray* array = model->statusArray();
    connect(model, &GmModel::tellImageChanged, this, &ColourWorkspace::imageChanged);
    connect(model, &GmModel::statusImageChanged, this, &ColourWorkspace::statusImageChanged);
    connect(model, &GmModel::activeRegionReady, this, &ColourWorkspace::regionChanged);
    connect(model, &GmModel::activeRegionReady, this, &ColourWorkspace::updateVisibilitySlot);
    connect(model, &GmModel::toolChanged, this, &ColourWorkspace::updateVisibilitySlot);
    connect(histogramMode_, &QAbstractButton::clicked, this, &ColourWorkspace::modeChanged);
    connect(colourMapMode_, &QAbstractButton::clicked, this, &ColourWorkspace::modeChanged);
    connect(viewUnassigned_, &QAbstractButton::clicked, this,
            &ColourWorkspace::viewUnassignedChangedSlot);
    connect(viewKeep_, &QAbstractButton::clicked, this, &ColourWorkspace::viewKeepChangedSlot);
    connect(viewDrop_, &QAbstractButton::clicked, this, &ColourWorkspace::viewDropChangedSlot);
    connect(viewBlend_, &QAbstractButton::clicked, this, &ColourWorkspace::viewBlendChangedSlot);
    for (QToolButton* view : toggles)
        connect(view, &QAbstractButton::clicked, this, &ColourWorkspace::statusesViewedChanged);
    connect(array, &GmStatusArray::statusChanged, colourDisplay_,
            &ColourDisplay::statusArrayChanged);
    connect(array, &GmStatusArray::statusChanged, this, &ColourWorkspace::statusArrayChanged);
    using Selection1D = void (ColourDisplay::*)(std::vector<bool>, channel, VkPixelStatus);
    using Selection2D = void (ColourDisplay::*)(QImage, channel, channel, VkPixelStatus);
    using Highlight1D = void (GmStatusArray::*)(std::vector<bool>, channel, VkPixelStatus);
    using Highlight2D = void (GmStatusArray::*)(QImage, channel, channel, VkPixelStatus);
    connect(colourDisplay_, Selection1D(&ColourDisplay::highlightChanged), array,
            Highlight1D(&GmStatusArray::highlightChanged));
    connect(colourDisplay_, Selection2D(&ColourDisplay::highlightChanged), array,
            Highlight2D(&GmStatusArray::highlightChanged));
    connect(colourDisplay_, &ColourDisplay::unHighlit, array, &GmStatusArray::unHighlight);
    connect(toUnassigned_, &QAbstractButton::clicked, this, &ColourWorkspace::toUnassigned);
    connect(toKeep_, &QAbstractButton::clicked, this, &ColourWorkspace::toKeep);
    connect(toDrop_, &QAbstractButton::clicked, this, &ColourWorkspace::toDrop);
    connect(toBlend_, &QAbstractButton::clicked, this, &ColourWorkspace::toBlend);
    connect(colourDisplay_, Selection1D(&ColourDisplay::highlightChanged), this,
            &ColourWorkspace::updateReassignmentButtons);
    connect(colourDisplay_, Selection2D(&ColourDisplay::highlightChanged), this,
            &ColourWorkspace::updateReassignmentButtons);
    connect(horizontalAxisChooser_, &QAbstractButton::pressed, this,
            &ColourWorkspace::chooseHorizontalAxis);
    connect(verticalAxisChooser_, &QAbstractButton::pressed, this,
            &ColourWorkspace::chooseVerticalAxis);
    connect(colourBits_, &QSlider::valueChanged, this, &ColourWorkspace::colourBitsChanged);

    // Axes: lightness across, hue up.
    for (int c = channel::Hue; c <= channel::Blue; ++c)
        axisNames_ << AxisWidget::channelName(channel(c));
    colourDisplay_->histogram().setAxes(channel::Lightness, channel::Hue);
    colourDisplay_->setRebuildNeeded(true);
    for (AxisWidget* axis : {horizontalAxis_, verticalAxis_}) {
        axis->setNames(axisNames_);
        axis->setDisplay(colourDisplay_);
    }
    horizontalAxis_->setChannel(channel::Lightness);
    verticalAxis_->setChannel(channel::Hue);
    verticalAxis_->setOrientation(Qt::Vertical);

    // The bands beside the display.
    filter_ = new CWSMouseEventFilter(colourDisplay_, this);
    const QList<QWidget*> watched = {this, content_, verticalAxis_, horizontalAxis_,
                                     colourDisplayFrame_};
    for (QWidget* widget : watched)
        filter_->watch(widget);

    // Cursors.
    colourDisplay_->setCursor(Qt::CrossCursor);
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        button->setCursor(Qt::ArrowCursor);
    colourBits_->setCursor(Qt::ArrowCursor);

    const QIcon triangle(chooserTriangle());
    for (QToolButton* chooser : {horizontalAxisChooser_, verticalAxisChooser_}) {
        chooser->setIcon(triangle);
        chooser->setIconSize(QSize(9, 9));
    }

    updateReassignmentButtons();

    // The hooks of the layers below.
    QPointer<ColourDisplay> display = colourDisplay_;
    GmTool::setUnHighlightHook([display] {
        if (display) display->unHighlight();
    });
    CanvasHooks& hooks = canvasHooks();
    hooks.colourWorkspaceToggle = [this] { return toggleViewAction(); };
    hooks.colourHighlightShown = [this] {
        return isVisible() && !colourDisplay_->selectionEmpty();
    };
}

ColourWorkspace::~ColourWorkspace() {
    GmTool::setUnHighlightHook(nullptr);
    CanvasHooks& hooks = canvasHooks();
    hooks.colourWorkspaceToggle = nullptr;
    hooks.colourHighlightShown = nullptr;
}

int ColourWorkspace::enabledViewTabs() const {
    return ViewTabs::Workspace;
}

void ColourWorkspace::setSelectToolOrFallbackHook(std::function<void(GmTool*)> hook) {
    selectToolHook() = std::move(hook);
}

void ColourWorkspace::selectToolOrFallback(GmTool* tool) {
    if (selectToolHook()) {
        selectToolHook()(tool);
        return;
    }
    GmTool* chosen = tool;
    if (!chosen || !chosen->isAllowedOnCurrentTab()) {
        GmTool* arrow = GmTool::arrowTool();
        chosen = arrow && arrow->isAllowedOnCurrentTab() ? arrow : GmTool::emptyTool();
    }
    if (chosen && chosen != GmTool::currentTool()) chosen->installSlot();
}

// ----- The sampler -----

void ColourWorkspace::setSamplerTool(ColourWorkspaceSelectTool* tool) {
    if (sampler_) {
        disconnect(sampler_, &ColourWorkspaceSelectTool::colourPicked, colourDisplay_,
                   &ColourDisplay::colourPicked);
        disconnect(colourDisplay_, &ColourDisplay::clickInColourDisplay, sampler_,
                   &GmTool::installSlot);
    }
    sampler_ = tool;
    if (!tool) return;
    connect(tool, &ColourWorkspaceSelectTool::colourPicked, colourDisplay_,
            &ColourDisplay::colourPicked);
    connect(colourDisplay_, &ColourDisplay::clickInColourDisplay, tool, &GmTool::installSlot);
}

ColourWorkspaceSelectTool* ColourWorkspace::samplerTool() const {
    return sampler_;
}

void ColourWorkspace::hideEvent(QHideEvent* event) {
    GmSubWindow::hideEvent(event);
    // The window system hiding it with the main window is not the user's doing.
    if (event->spontaneous()) return;
    if (sampler_ && GmTool::currentTool() == sampler_ && sampler_->remembersToolBeforeSampler())
        selectToolOrFallback(sampler_->toolBeforeSampler());
}

void ColourWorkspace::updateVisibilitySlot() {
    GmTool* current = GmTool::currentTool();
    QPointer<GmTool>& last = lastToolSeen();
    const auto isSampler = [this](const GmTool* tool) { return sampler_ && tool == sampler_; };
    // A change between two other tools leaves the panel as it is.
    if (current != last.data() && !isSampler(current) && !isSampler(last.data())) {
        last = current;
        return;
    }
    const bool samplerCurrent = isSampler(current);
    if (isClosed())
        setWantedVisible(samplerCurrent);
    else
        setWantedVisible(GmModel::instance()->activeRegion() != nullptr || samplerCurrent);
    updateVisibility();
    last = current;
}

// ----- The document -----

void ColourWorkspace::opacityChanged(int) {
    colourDisplay_->update();
}

void ColourWorkspace::imageChanged(const ZtSourceImage* image) {
    image_ = image ? GmModel::instance()->workspaceImage() : QImage();
    colourDisplay_->unHighlight();
    colourDisplay_->setRebuildNeeded(true);
    colourDisplay_->update();
}

void ColourWorkspace::statusImageChanged(const QImage*) {
    // A new status image comes with every session, also at a new resolution.
    GmModel* model = GmModel::instance();
    image_ = model->sourceImage() ? model->workspaceImage() : QImage();
    colourDisplay_->setRebuildNeeded(true);
    colourDisplay_->update();
}

void ColourWorkspace::regionChanged(GmRegion* region) {
    const int editCount = region ? region->editCount() : 0;
    if (region && region == lastRegion_.data() && editCount == lastEditCount_) return;
    if (!region && !hadRegion_) return;
    lastRegion_ = region;
    lastEditCount_ = editCount;
    hadRegion_ = region != nullptr;
    colourDisplay_->setRebuildNeeded(true);
    colourDisplay_->update();
    // The highlight covers the patch, or the whole image without one.
    resendSelection();
}

void ColourWorkspace::statusArrayChanged() {
    if (colourDisplay_->highlightStatusMask() != kAllViews) resendSelection();
}

void ColourWorkspace::resendSelection() {
    if (colourDisplay_->selectionEmpty()) return;
    colourDisplay_->setForceEmit(true);
    colourDisplay_->updateHighlight();
}

// ----- Mode, axes, resolution and views -----

void ColourWorkspace::modeChanged() {
    const int mode =
        histogramMode_->isChecked() ? ColourDisplay::HistogramMode : ColourDisplay::ColourMapMode;
    if (mode == colourDisplay_->mode()) return;
    colourDisplay_->setMode(mode);
    colourDisplay_->unHighlight();
    colourDisplay_->update();
    horizontalAxis_->update();
    verticalAxis_->update();
}

void ColourWorkspace::chooseHorizontalAxis() {
    showAxisMenu(Qt::Horizontal, horizontalAxisChooser_);
}

void ColourWorkspace::chooseVerticalAxis() {
    showAxisMenu(Qt::Vertical, verticalAxisChooser_);
}

void ColourWorkspace::showAxisMenu(Qt::Orientation side, QToolButton* chooser) {
    ColourHistogram& histogram = colourDisplay_->histogram();
    const int current =
        side == Qt::Horizontal ? histogram.horizontalAxis() : histogram.verticalAxis();
    QMenu menu(this);
    for (int i = 0; i < axisNames_.size(); ++i) {
        QAction* action = menu.addAction(axisNames_.at(i));
        action->setCheckable(true);
        action->setChecked(i == current);
        action->setData(i);
    }
    const QAction* chosen = menu.exec(chooser->mapToGlobal(chooser->rect().bottomLeft()));
    if (chosen) chooseAxis(side, chosen->data().toInt());
    chooser->setDown(false);
}

void ColourWorkspace::chooseAxis(Qt::Orientation side, int chosen) {
    if (chosen < channel::Hue || chosen > channel::Blue) return;
    ColourHistogram& histogram = colourDisplay_->histogram();
    int horizontal = histogram.horizontalAxis();
    int vertical = histogram.verticalAxis();
    if (side == Qt::Horizontal) {
        if (chosen == horizontal) return;
        horizontal = chosen;
        vertical = companionAxis(chosen, vertical);
    } else {
        if (chosen == vertical) return;
        vertical = chosen;
        horizontal = companionAxis(chosen, horizontal);
    }
    histogram.setAxes(channel(horizontal), channel(vertical));
    colourDisplay_->setRebuildNeeded(true);
    horizontalAxis_->setChannel(channel(horizontal));
    verticalAxis_->setChannel(channel(vertical));
    horizontalAxis_->update();
    verticalAxis_->update();
    colourDisplay_->unHighlight();
}

void ColourWorkspace::colourBitsChanged(int value) {
    colourDisplay_->setColourBits(value);
    colourDisplay_->update();
}

void ColourWorkspace::statusesViewedChanged(bool) {
    VkPixelStatus mask = 0;
    if (viewUnassigned_->isChecked()) mask |= VkStatusUnassigned;
    if (viewKeep_->isChecked()) mask |= VkStatusKeep;
    if (viewDrop_->isChecked()) mask |= VkStatusDelete;
    if (viewBlend_->isChecked()) mask |= VkStatusBlend;
    colourDisplay_->setHighlightStatusMask(mask);
    colourDisplay_->histogram().setStatusMask(mask);
    colourDisplay_->histogram().setRebuildNeeded(true);
    colourDisplay_->setRebuildNeeded(true);
    colourDisplay_->setForceEmit(true);
    colourDisplay_->updateHighlight();
    colourDisplay_->update();
}

void ColourWorkspace::setViewIcon(QToolButton* toggle, int index, bool on) {
    toggle->setIcon(viewIcons_[on ? index : index + 4]);
}

void ColourWorkspace::viewUnassignedChangedSlot(bool on) {
    setViewIcon(viewUnassigned_, 0, on);
}

void ColourWorkspace::viewKeepChangedSlot(bool on) {
    setViewIcon(viewKeep_, 1, on);
}

void ColourWorkspace::viewDropChangedSlot(bool on) {
    setViewIcon(viewDrop_, 2, on);
}

void ColourWorkspace::viewBlendChangedSlot(bool on) {
    setViewIcon(viewBlend_, 3, on);
}

// ----- Assignment -----

void ColourWorkspace::updateReassignmentButtons() {
    const bool selected = !colourDisplay_->selectionEmpty();
    for (QToolButton* bucket : {toKeep_, toDrop_, toBlend_, toUnassigned_})
        bucket->setEnabled(selected);
}

void ColourWorkspace::toUnassigned() {
    goTo(VkStatusUnassigned);
}

void ColourWorkspace::toKeep() {
    goTo(VkStatusKeep);
}

void ColourWorkspace::toDrop() {
    goTo(VkStatusDelete);
}

void ColourWorkspace::toBlend() {
    goTo(VkStatusBlend);
}

void ColourWorkspace::setAutoBlend(bool on) {
    autoBlend->setChecked(on);
}

void ColourWorkspace::goTo(VkStatus status) {
    GmModel* model = GmModel::instance();
    GmStatusArray* array = model->statusArray();
    if (image_.isNull() || array->highlightImage().isNull()) return;
    // The highlight of the selection shown, complete: a pass still running
    // would leave pixels of the previous selection in it.
    array->waitForHighlight();
    auto* stroke = new GmBrushing(strokeColourOf(status));
    stroke->brushing()->setPicture(array->highlightImage().scaled(
        image_.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    const int skipAutoComplex = autoBlend->isChecked() ? 0 : 1;
    auto* command = new VkCmdSelect(model, stroke, 15, status, 0, skipAutoComplex);
    if (VardekThread* thread = VardekThread::instance())
        thread->submit(command);
    else
        delete command;
    colourDisplay_->unHighlight();
}
