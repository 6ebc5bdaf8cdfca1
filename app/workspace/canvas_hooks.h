// What the canvas needs of owners built after it (the main window, the
// brush tools, the view options, the background picker, the colour
// workspace), which install it when they are built. Until a hook is
// installed the canvas does without: a white background, no brush-size
// slider held, pen pressure going nowhere, no main-window actions or panel
// toggles in the context menu, no colour highlight and no object edges.
// User-interface thread only.
#ifndef APP_WORKSPACE_CANVAS_HOOKS_H
#define APP_WORKSPACE_CANVAS_HOOKS_H

#include <QBrush>
#include <QList>

#include <functional>

class QAction;

struct CanvasHooks {
    // The background under the workspace copy and the cut-out: the main
    // window's backgroundBrush(), or until there is one the background
    // picker's first brush.
    std::function<QBrush()> backgroundBrush;
    // Whether the user holds the brush-size slider (the outline then shows
    // at the centre of the view).
    std::function<bool()> brushSizeSliderHeld;
    // A new pen pressure for the brushes (0 to 1); one that is not 0 puts
    // pressure in use until the stroke ends.
    std::function<void(double pressure)> penPressure;
    // The main window's "&Auto-Fill Image", "Auto-Fill with &Keep",
    // "Auto-Fill with &Delete" and "Create Cu&t-Out", for the context menu
    // over no patch or forced edge.
    std::function<QList<QAction*>()> imageActions;
    // The toggle actions of the patch-properties and colour workspace
    // panels; null while the panel does not exist.
    std::function<QAction*()> patchPropertiesToggle;
    std::function<QAction*()> colourWorkspaceToggle;
    // Whether the colour workspace panel is shown with a colour selected, so
    // that the status array's highlight image is painted.
    std::function<bool()> colourHighlightShown;
    // Whether the view options' object-edge toggle is checked.
    std::function<bool()> objectEdgesShown;
};

// The installed hooks; assign members to install, a default CanvasHooks to remove all.
CanvasHooks& canvasHooks();

// The one background brush of the canvas: what the installed hook answers,
// or white.
QBrush backgroundBrush();

#endif
