#include "tools/gm_tool.h"

#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/services/shell_functions.h"
#include "tools/gm_action.h"
#include "tools/no_tool.h"
#include "tools/tool_options.h"
#include "workspace/image_view.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolBar>

namespace {

// The tools together. The current tool is a plain pointer: every tool
// clears it on its way out.
GmTool* theCurrentTool = nullptr;
NoTool* theEmptyTool = nullptr;
QPointer<GmTool> theArrowTool;
QPointer<ImageView> theImageView;
QPointer<QActionGroup> theSharedActionGroup;
QPointer<QWidget> theSharedOptionsParent;

// A selection in progress, and a fallback asked for during it. Tools
// answer isAvailable() from the document, and a selection changes the
// document (a brush deactivated gives its patch back): a fallback installed
// in the middle of it would be activated between the old tool's deactivate
// and the new tool's switch, and never deactivated.
int selectionDepth = 0;
bool fallbackPending = false;

std::function<void()> unHighlightHook;
std::function<bool()> temporaryToolHook;
GmTool::EscapeSteps escapeSteps = GmTool::modelEscapeSteps();

bool runStep(const std::function<bool()>& step) {
    return step && step();
}

// The shared group and options panel belong to the main window; without one
// (a tool built before the window, or in a test) they go when the
// application does.
QWidget* sharedOwner() {
    return theImageView ? theImageView->mainWindow() : nullptr;
}

void deleteUnownedSharedObjects() {
    if (theSharedOptionsParent && !theSharedOptionsParent->parent())
        delete theSharedOptionsParent.data();
    if (theSharedActionGroup && !theSharedActionGroup->parent()) delete theSharedActionGroup.data();
}

void deleteWithApplication() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    qAddPostRoutine(deleteUnownedSharedObjects);
}

} // namespace

GmTool::GmTool(const QString& name, const QString& translatedName, const QIcon& icon,
               const QString& shortcut, const QString& whatsThis, QActionGroup* actionGroup,
               QWidget* actionWidget, QWidget* actionHolder, QWidget* optionsParent)
    : name_(name), translatedName_(translatedName),
      optionsParent_(optionsParent ? optionsParent : sharedOptionsParent()) {
    QActionGroup* group = actionGroup ? actionGroup : sharedActionGroup();
    action_ = new GmAction(icon, translatedName, group);
    group->addAction(action_);
    if (!shortcut.isEmpty())
        setShortcutAndToolTip(action_, QKeySequence(shortcut, QKeySequence::NativeText));
    action_->setCheckable(true);
    setWhatsThisText(whatsThis);
    if (actionWidget) actionWidget->addAction(action_);
    if (auto* toolBar = qobject_cast<QToolBar*>(actionHolder))
        toolBar->addAction(action_);
    else if (auto* button = qobject_cast<QPushButton*>(actionHolder))
        button->addAction(action_);

    connect(action_, &QAction::triggered, this, &GmTool::selectToolSlot);
    GmModel* model = GmModel::instance();
    // By name: the patch type is not known here.
    connect(model, SIGNAL(activeRegionChanged(GmRegion*)), this, SLOT(setEnabledSlot()));
    connect(model, &GmModel::tellImageChanged, this, &GmTool::setEnabledSlot);
    connect(model, &GmModel::smegChanged, this, &GmTool::setEnabledSlot);
    if (VardekThread* thread = VardekThread::instance())
        connect(thread, &VardekThread::stateChanged, this, &GmTool::setEnabledSlot);
    if (theImageView)
        connect(theImageView, &ImageView::viewTabChanged, this, &GmTool::setEnabledSlot);

    CanvasTool::setCurrentToolSource([]() -> CanvasTool* { return theCurrentTool; });

    // The base's isAvailable while under construction; a tool that decides
    // otherwise refreshes once it is built.
    setEnabledSlot();
}

GmTool::~GmTool() {
    if (theCurrentTool == this) {
        // The tool is half gone: it is not asked to deactivate, and the
        // empty tool takes over only when it can be used.
        theCurrentTool = nullptr;
        if (theEmptyTool && theEmptyTool != static_cast<GmTool*>(this))
            static_cast<GmTool*>(theEmptyTool)->installSlot();
    }
    if (theEmptyTool == static_cast<GmTool*>(this)) {
        theEmptyTool = nullptr;
        theCurrentTool = nullptr;
    }
    delete optionsWidget_.data();
    delete action_.data();
}

// ----- Defaults -----

QCursor GmTool::cursor() const {
    return QCursor(Qt::ArrowCursor);
}

void GmTool::mousePress(QMouseEvent*, const QPointF&) {}
void GmTool::mouseMove(QMouseEvent*, const QPointF&) {}
void GmTool::mouseRelease(QMouseEvent*, const QPointF&) {}
void GmTool::mouseDoubleClick(QMouseEvent*, const QPointF&) {}

void GmTool::escape() {
    resetButtonState();
    if (runStep(escapeSteps.clearPreviewRectangle)) return;
    if (runStep(escapeSteps.deselectRegion)) return;
    if (runStep(escapeSteps.deselectForcedEdge)) return;
    GmTool* next = theArrowTool ? theArrowTool.data() : static_cast<GmTool*>(theEmptyTool);
    if (next) next->installSlot();
}

void GmTool::keyEvent(QKeyEvent*) {}

int GmTool::allowedViewTabs() const {
    return ViewTabs::Workspace;
}

ViewTabs::ViewTab GmTool::preferredViewTab() const {
    return ViewTabs::Workspace;
}

bool GmTool::clearsPreviewOnPress() const {
    return true;
}

bool GmTool::isBrush() const {
    return false;
}

QColor GmTool::cursorColour() const {
    return Qt::black;
}

QColor GmTool::strokeColour() const {
    return Qt::black;
}

bool GmTool::isAvailable() const {
    return GmModel::instance()->sourceImage() != nullptr;
}

int GmTool::targetDrawMode(const ArrowTarget*) const {
    return 3;
}

GmTool* GmTool::previousTool() const {
    return nullptr;
}

bool GmTool::clearsColourHighlight() const {
    return true;
}

// ----- The tool's parts -----

bool GmTool::isAllowedOnCurrentTab() const {
    const ViewTabs::ViewTab tab =
        theImageView ? theImageView->currentViewTab() : ViewTabs::Workspace;
    return (allowedViewTabs() & tab) != 0;
}

void GmTool::trackButtonState(QMouseEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton) {
            previousButtonState_ = buttonState_;
            buttonState_ = ButtonPressed;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::LeftButton) {
            previousButtonState_ = buttonState_;
            buttonState_ = ButtonUp;
        }
        break;
    case QEvent::MouseMove:
        // A drag that began outside the canvas is no drag of this tool.
        if ((event->buttons() & Qt::LeftButton) && buttonState_ != ButtonUp) {
            previousButtonState_ = buttonState_;
            buttonState_ = ButtonDragging;
        }
        break;
    default:
        break;
    }
}

void GmTool::setWhatsThisText(const QString& text) {
    if (!action_) return;
    if (text.isEmpty())
        action_->setWhatsThis(QString());
    else
        action_->setWhatsThis(QStringLiteral("<p><b>%1</b></p>").arg(translatedName_) + text);
}

void GmTool::setOptionsWidget(QWidget* widget) {
    optionsWidget_ = widget;
}

void GmTool::resetButtonState() {
    buttonState_ = ButtonUp;
    previousButtonState_ = ButtonUp;
}

// ----- Selection -----

void GmTool::setEnabledSlot() {
    const bool available = isAvailable();
    if (action_) action_->setEnabled(available);
    if (theCurrentTool == this && !available) ensureUsableTool();
}

bool GmTool::installSlot() {
    if (isAvailable()) {
        if (theCurrentTool != this && action_) {
            // The action may not have heard yet that the tool became usable.
            action_->setEnabled(true);
            action_->trigger();
        }
        return true;
    }
    // Only an available fallback is installed, so this never comes back here.
    ensureUsableTool();
    return false;
}

void GmTool::selectToolSlot() {
    ++selectionDepth;
    if (clearsColourHighlight() && unHighlightHook) unHighlightHook();

    GmTool* previous = theCurrentTool;
    if (previous) previous->deactivate(this);

    theCurrentTool = this;
    emit GmModel::instance()->toolChanged(this);

    if (auto* options = qobject_cast<ToolOptions*>(optionsParent_)) options->showTool(this);

    activate(previous);

    const bool temporary = temporaryToolHook && temporaryToolHook();
    if (!temporary && theImageView && !isAllowedOnCurrentTab())
        theImageView->ensureTab(allowedViewTabs(), preferredViewTab());

    // The selection is done: the tool now current is the one to check.
    if (--selectionDepth == 0 && fallbackPending) {
        fallbackPending = false;
        ensureUsableTool();
    }
}

// ----- The tools together -----

GmTool* GmTool::currentTool() {
    return theCurrentTool;
}

NoTool* GmTool::emptyTool() {
    return theEmptyTool;
}

void GmTool::registerEmptyTool(NoTool* tool) {
    theEmptyTool = tool;
}

ImageView* GmTool::imageView() {
    return theImageView;
}

void GmTool::setImageView(ImageView* view) {
    theImageView = view;
}

GmTool* GmTool::arrowTool() {
    return theArrowTool;
}

void GmTool::setArrowTool(GmTool* tool) {
    theArrowTool = tool;
}

QActionGroup* GmTool::sharedActionGroup() {
    if (!theSharedActionGroup) {
        theSharedActionGroup = new QActionGroup(sharedOwner());
        deleteWithApplication();
    }
    return theSharedActionGroup;
}

QWidget* GmTool::sharedOptionsParent() {
    if (!theSharedOptionsParent) {
        theSharedOptionsParent = new ToolOptions(sharedOwner());
        deleteWithApplication();
    }
    return theSharedOptionsParent;
}

GmTool* GmTool::usableFallbackTool() {
    if (theArrowTool && theArrowTool->isAvailable()) return theArrowTool;
    if (theEmptyTool && static_cast<GmTool*>(theEmptyTool)->isAvailable()) return theEmptyTool;
    return nullptr;
}

void GmTool::ensureUsableTool() {
    if (selectionDepth > 0) {
        fallbackPending = true;
        return;
    }
    if (!theCurrentTool || theCurrentTool->isAvailable()) return;
    if (GmTool* fallback = usableFallbackTool())
        if (fallback != theCurrentTool) fallback->installSlot();
}

void GmTool::setUnHighlightHook(std::function<void()> hook) {
    unHighlightHook = std::move(hook);
}

void GmTool::setTemporaryToolHook(std::function<bool()> hook) {
    temporaryToolHook = std::move(hook);
}

void GmTool::setEscapeSteps(const EscapeSteps& steps) {
    escapeSteps = steps;
}

GmTool::EscapeSteps GmTool::modelEscapeSteps() {
    EscapeSteps steps;
    steps.clearPreviewRectangle = [] {
        GmModel* model = GmModel::instance();
        if (!model->previewRectangle()) return false;
        model->clearPreviewRectangle();
        return true;
    };
    steps.deselectRegion = [] {
        GmModel* model = GmModel::instance();
        if (!model->activeRegion()) return false;
        model->setActiveRegion(nullptr, 1);
        return true;
    };
    steps.deselectForcedEdge = [] {
        GmModel* model = GmModel::instance();
        if (!model->activeForcedEdge()) return false;
        model->setActiveForcedEdge(nullptr);
        return true;
    };
    return steps;
}
