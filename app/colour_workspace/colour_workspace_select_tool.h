// The "Color Sampler": the eye-dropper of the colour workspace. A left click
// on the picture puts the colour under the pointer into the workspace's
// selection, so that every pixel of that colour (at the workspace's
// resolution in colour bits) lights up: no modifier replaces the selection,
// Shift adds and Alt removes. Its options are a copy of the workspace's
// resolution slider, the two moving together.
//
// It can be selected without an image (a click then samples black); a click
// beside the picture samples nothing. Selecting it keeps the colour
// selection; Escape clears a selection first and only then does what Escape
// does for every tool. It remembers the tool it replaced, to which the
// workspace returns when it is hidden. User-interface thread only.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_SELECT_TOOL_H
#define APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_SELECT_TOOL_H

#include "tools/gm_tool.h"

#include <QColor>
#include <QPointer>

#include <memory>

class ColourWorkspace;
class QSlider;

class ColourWorkspaceSelectTool : public GmTool {
    Q_OBJECT
public:
    // "Color Sampler" with the shortcut "S", its action in `actionGroup` and
    // `actionWidget`, its options in `optionsParent`; it registers with
    // `workspace` when one is given.
    ColourWorkspaceSelectTool(QActionGroup* actionGroup, QWidget* actionWidget,
                              QWidget* optionsParent, ColourWorkspace* workspace);
    ~ColourWorkspaceSelectTool() override;

    // The pipette pointer, its tip at the bottom-left corner.
    QCursor cursor() const override;
    // A left press samples the colour of the workspace pixel under `point`.
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    // Clears a shown colour selection; without one, the escape of every tool.
    void escape() override;
    bool isAvailable() const override { return true; }
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;
    bool clearsColourHighlight() const override { return false; }

    ColourWorkspace* workspace() const { return workspace_; }
    // The tool that was current when the sampler was last activated, and
    // whether there was one (it may since have been deleted: then null).
    GmTool* toolBeforeSampler() const { return previous_; }
    bool remembersToolBeforeSampler() const { return hadPrevious_; }
    // The resolution slider of the options.
    QSlider* resolutionSlider() const { return slider_; }

signals:
    // The sampled colour and the modifiers held at the click.
    void colourPicked(QColor colour, Qt::KeyboardModifiers modifiers);

private:
    QPointer<ColourWorkspace> workspace_;
    QPointer<GmTool> previous_;
    bool hadPrevious_ = false;
    std::unique_ptr<QCursor> cursor_;
    QSlider* slider_ = nullptr;
};

#endif
