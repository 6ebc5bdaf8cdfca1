// The base of every interactive tool of the workspace (arrow, brushes, view
// tools, patch and forced-edge tools, cut-out preview, colour sampler, the
// empty tool).
//
// A tool owns a checkable action in one shared action group, so one tool is
// current at a time. The canvas feeds the current tool the mouse (image
// points), the main window the keys. The tool says where it may be used
// (view tabs, whether the document allows it now), how patches and forced
// edges are drawn while it is current, and what Escape does.
//
// "No current tool" is a valid state: without an image no tool with the
// default isAvailable() can be installed, not even the empty tool.
//
// The canvas reaches the current tool through the CanvasTool interface
// (workspace/canvas_tool.h), whose source the first tool installs.
//
// What the tools need of owners built later comes in through hooks that do
// nothing until set: the arrow tool (setArrowTool), the colour display's
// un-highlight, and whether a temporary tool (Space panning) is in effect.
// The steps with which Escape clears the document's selection are the
// model's unless replaced (setEscapeSteps).
//
// User-interface thread only.
#ifndef APP_TOOLS_GM_TOOL_H
#define APP_TOOLS_GM_TOOL_H

#include "shell/panel_framework/view_tabs.h"
#include "tools/gm_action.h"
#include "workspace/canvas_tool.h"

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>

#include <functional>

class ArrowTarget;
class GmRegion;
class ImageView;
class NoTool;
class QActionGroup;
class QKeyEvent;
class QMouseEvent;
class QWidget;

class GmTool : public QObject, public CanvasTool {
    Q_OBJECT
public:
    // Left-button states of trackButtonState.
    enum ButtonState { ButtonUp = 0, ButtonPressed = 1, ButtonDragging = 2 };

    // `name` is untranslated and names the settings group of the tool's own
    // options; `translatedName` is the action's text. An empty `shortcut`
    // gives none. A null `actionGroup` or `optionsParent` takes the shared
    // one. The action goes into `actionWidget` and, when it is a tool bar or
    // a push button, into `actionHolder` (both may be null).
    GmTool(const QString& name, const QString& translatedName, const QIcon& icon,
           const QString& shortcut, const QString& whatsThis, QActionGroup* actionGroup,
           QWidget* actionWidget, QWidget* actionHolder, QWidget* optionsParent);
    ~GmTool() override;

    // ----- What a tool decides (defaults as given) -----

    // The canvas cursor while the tool is current: the arrow.
    QCursor cursor() const override;
    // Called by the canvas with the point in full-image pixels, only while
    // the tool is available and allowed on the shown tab. Nothing by default.
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    // The Escape key (and Ctrl+period): the button state goes back to up,
    // then the first of: clear the cut-out preview, deselect the patch,
    // deselect the forced edge, install the arrow tool (or the empty tool
    // when there is no arrow tool).
    virtual void escape();
    // Keys the main window does not handle itself. Nothing by default.
    virtual void keyEvent(QKeyEvent* event);
    // The view tabs (flags) the tool works on: Workspace.
    int allowedViewTabs() const override;
    // The tab to switch to when the tool is selected on a tab it does not
    // work on: Workspace.
    virtual ViewTabs::ViewTab preferredViewTab() const;
    // Whether a press first removes the cut-out preview: yes.
    bool clearsPreviewOnPress() const override;
    // Brushes get a cross-hair and the brush outline on the canvas: no.
    bool isBrush() const override;
    QColor cursorColour() const override;
    virtual QColor strokeColour() const;
    // Whether the tool may be used now (also its action's enabled state):
    // while the model holds a source image.
    bool isAvailable() const override;
    // The paint mode of a patch or forced edge while the tool is current: 3.
    int targetDrawMode(const ArrowTarget* target) const override;
    // For a temporary tool, the tool it was activated over: none.
    virtual GmTool* previousTool() const;
    // The tool becomes current (after `previous`) or stops being current
    // (before `next`); either may be null.
    virtual void activate(GmTool* previous) = 0;
    virtual void deactivate(GmTool* next) = 0;
    // Whether selecting the tool ends the colour workspace's highlight: yes.
    virtual bool clearsColourHighlight() const;

    // ----- The tool's parts -----

    QString name() const { return name_; }
    QString translatedName() const { return translatedName_; }
    GmAction* action() const { return action_; }
    QWidget* optionsParent() const { return optionsParent_; }
    QWidget* optionsWidget() const { return optionsWidget_; }

    // Whether allowedViewTabs() holds the tab the image view shows
    // (Workspace without a view).
    bool isAllowedOnCurrentTab() const override;
    // Follows the left button through press, move and release (the canvas
    // calls it before each mouse operation).
    void trackButtonState(QMouseEvent* event) override;
    int buttonState() const { return buttonState_; }
    int previousButtonState() const { return previousButtonState_; }
    // The action's what's-this: the name in bold, then `text`; empty for an
    // empty text.
    void setWhatsThisText(const QString& text);

    // ----- The tools together -----

    // The current tool, or null.
    static GmTool* currentTool();
    // The empty tool, or null while none exists.
    static NoTool* emptyTool();
    // The view whose tabs the tools check and switch, set by the main window
    // before it makes its tools: a tool follows the view's tab changes only
    // when the view was set when the tool was built. Its window owns the
    // shared action group and options strip.
    static ImageView* imageView();
    static void setImageView(ImageView* view);
    // The arrow tool, Escape's and the fallback's first choice (registered by it).
    static GmTool* arrowTool();
    static void setArrowTool(GmTool* tool);
    // The group and the options panel of tools built without their own.
    static QActionGroup* sharedActionGroup();
    static QWidget* sharedOptionsParent();

    // The tool to fall back on when the current one cannot be used: the
    // arrow tool when it is available, else the empty tool when that is;
    // null when neither is.
    static GmTool* usableFallbackTool();
    // When the current tool exists and is not available, installs the
    // fallback tool; with none available the current tool stays (its action
    // disabled). Asked for while a selection is in progress, it waits until
    // the selection is done. The main window's ensureUsableTool() is this.
    static void ensureUsableTool();

    // Hooks for owners built later; an empty function does nothing.
    // The colour display's unHighlight(), called when a tool that clears the
    // colour highlight is selected.
    static void setUnHighlightHook(std::function<void()> hook);
    // Whether a temporary tool (Space panning) is in effect: then selecting a
    // tool does not switch the view tab.
    static void setTemporaryToolHook(std::function<bool()> hook);
    // The document steps of Escape, each answering whether it did something:
    // clear the cut-out preview, deselect the patch, deselect the forced edge.
    // An empty function does nothing.
    struct EscapeSteps {
        std::function<bool()> clearPreviewRectangle;
        std::function<bool()> deselectRegion;
        std::function<bool()> deselectForcedEdge;
    };
    static void setEscapeSteps(const EscapeSteps& steps);
    // The model's steps, in effect until replaced: the model's preview
    // rectangle cleared, no patch active (announced), no forced edge active.
    static EscapeSteps modelEscapeSteps();

signals:
    // A patch tool finished a new patch.
    void userCreatedRegion(GmRegion* region);

public slots:
    // Action enabled := isAvailable(); a current tool that became unavailable
    // makes way for the fallback.
    void setEnabledSlot();
    // Makes the tool current when it is available (and answers true).
    // Otherwise answers false, and a current tool that is unavailable makes
    // way for an available fallback.
    bool installSlot();
    // The selection: the colour highlight ends, the old tool is deactivated,
    // the model announces the new one, its options show, it is activated, and
    // the view leaves a tab the tool does not work on.
    void selectToolSlot();

protected:
    // The empty tool registers itself when it is built.
    static void registerEmptyTool(NoTool* tool);
    // The tool's options widget (deleted with the tool); subclasses set it
    // in their constructors. A widget shared by several tools is taken back
    // (set to null) by every tool but the last before it goes.
    void setOptionsWidget(QWidget* widget);
    // The left button counts as up, as after Escape.
    void resetButtonState();

private:
    int buttonState_ = ButtonUp;
    int previousButtonState_ = ButtonUp;
    QString name_;
    QString translatedName_;
    QPointer<GmAction> action_;
    QWidget* optionsParent_ = nullptr;
    QPointer<QWidget> optionsWidget_;
};

#endif
