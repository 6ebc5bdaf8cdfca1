// The "Color Workspace" panel: the colour display between its axes and axis
// choosers, the paint buckets that assign the selected colours to the keep,
// delete or blend mask (or clear their masks), histogram or 2-D colour map,
// the resolution in colour bits, the four views that choose which status
// classes are counted and highlighted, and "Add blend mask automatically".
//
// It connects the display to the model and the status array: the display's
// selection goes to the highlight threads, whose highlight image the canvas
// paints while the panel shows a selection; a bucket turns that highlight
// image into one exact selection command. It registers the colour sampler
// tool (ColourWorkspaceSelectTool), whose picks go into the display.
//
// It floats in the default layout, shows on the Workspace tab only and is not
// shown again at start. It shows itself while a patch is active or the
// sampler is current; once the user closed it, only the sampler brings it
// back. Hiding it while the sampler is current returns to the tool the
// sampler replaced.
//
// What it needs of the main window, built above it, comes through a hook:
// selectToolOrFallback (setSelectToolOrFallbackHook). It fills the tools'
// un-highlight hook and the canvas's colour-workspace hooks while it lives.
// User-interface thread only.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_H
#define APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_H

#include "colour_workspace/colour_workspace_form.h"
#include "shell/panel_framework/gm_sub_window.h"

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QStringList>

#include <functional>

#include "vardek.h"

class CWSMouseEventFilter;
class ColourWorkspaceSelectTool;
class GmRegion;
class GmTool;
class ZtSourceImage;

// The axis the other side takes when one side of the display newly shows
// axis `chosen` while the other shows `other`: `other` when it is of the same
// family and different, else the first other axis of that family (hue for
// lightness and saturation, lightness for hue; red for green and blue, green
// for red).
int companionAxis(int chosen, int other);

class ColourWorkspace : public GmSubWindow, public Ui::ColourWorkspace {
    Q_OBJECT
public:
    // Named and titled "Color Workspace"; its toggle action goes into
    // `actionHolder` (the Window menu) with `shortcut` ("C").
    ColourWorkspace(QWidget* mainWindow, QWidget* actionHolder, const QString& shortcut);
    // Takes its hooks back.
    ~ColourWorkspace() override;

    bool floatsByDefault() const override { return true; }
    int enabledViewTabs() const override;
    bool restoresVisibility() const override { return false; }

    // The widget the form is built on.
    QWidget* contentWidget() const { return content_; }
    // The source image at workspace resolution; null without one.
    const QImage& image() const { return image_; }
    // "Hue", "Lightness", "Saturation", "Red", "Green", "Blue", translated.
    const QStringList& axisNames() const { return axisNames_; }
    // The view toggles' icons: "on" for unassigned, keep, delete, blend, then "off".
    const QIcon& viewIcon(int index) const { return viewIcons_[index]; }

    // Registers the colour sampler: its picks go into the display, and a
    // press in the display makes it current. The previous sampler is let go.
    void setSamplerTool(ColourWorkspaceSelectTool* tool);
    ColourWorkspaceSelectTool* samplerTool() const;

    // The axis menu's choice: channel `chosen` (0 to 5) for the horizontal or
    // vertical side; the other side takes its companion. Choosing the axis a
    // side shows already changes nothing.
    void chooseAxis(Qt::Orientation side, int chosen);

    // What the panel does to leave the sampler when it hides: the main
    // window's selectToolOrFallback. Without a hook, the same rule on the
    // tools alone: `tool` when it works on the shown tab, else the arrow
    // tool when it does, else the empty tool; installed unless current.
    static void setSelectToolOrFallbackHook(std::function<void(GmTool* tool)> hook);
    static void selectToolOrFallback(GmTool* tool);

public slots:
    // The highlight's colour follows the "Mask Opacity" slider: repaints.
    void opacityChanged(int opacity);
    void imageChanged(const ZtSourceImage* image);
    void statusImageChanged(const QImage* image);
    // A newly announced or edited active patch (or none): the histogram
    // follows it and a selection is highlighted in it again. The same patch
    // with the same edit count, or none after none, changes nothing.
    void regionChanged(GmRegion* region);
    void modeChanged();
    // Open the axis menu below the chooser.
    void chooseHorizontalAxis();
    void chooseVerticalAxis();
    void colourBitsChanged(int value);
    // The views were toggled: the status classes counted and highlighted.
    void statusesViewedChanged(bool);
    void viewUnassignedChangedSlot(bool on);
    void viewKeepChangedSlot(bool on);
    void viewDropChangedSlot(bool on);
    void viewBlendChangedSlot(bool on);
    // The buckets are enabled exactly while a selection is shown.
    void updateReassignmentButtons();
    void toUnassigned();
    void toKeep();
    void toDrop();
    void toBlend();
    // Assigns the highlighted pixels to `status` (1 clears their masks) with
    // one exact selection command, then clears the selection. It waits for a
    // highlight pass still running (never stopping it), so that exactly the
    // pixels of the selection shown are assigned; without an image or a
    // highlight nothing happens.
    void goTo(VkStatus status);
    void setAutoBlend(bool on);
    // After a tool change or a newly announced patch.
    void updateVisibilitySlot();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    // The statuses changed: with a view off, the highlight depends on them,
    // so a shown selection is highlighted again.
    void statusArrayChanged();
    // Sends the shown selection to the status array again, when there is one.
    void resendSelection();
    void setViewIcon(QToolButton* toggle, int index, bool on);
    void showAxisMenu(Qt::Orientation side, QToolButton* chooser);

    QWidget* content_;
    QImage image_;
    QPointer<ColourWorkspaceSelectTool> sampler_;
    QStringList axisNames_;
    QIcon viewIcons_[8];
    CWSMouseEventFilter* filter_;
    // The patch last announced and its edit count; whether one was.
    QPointer<GmRegion> lastRegion_;
    int lastEditCount_ = 0;
    bool hadRegion_ = false;
};

#endif
