// What the polygon and rectangle patch tools share: where they work, how
// the canvas draws patches while one of them is current, and how a finished
// patch goes into the engine.
#ifndef APP_TOOLS_PATCH_TOOLS_H
#define APP_TOOLS_PATCH_TOOLS_H

class ArrowTarget;
class GmRegion;
class GmTool;

// The Workspace and Cut-out tabs.
int patchToolViewTabs();

// While `drawn` is being drawn: 1 (drawing mode) for it, 3 (outline) for
// every other target. While nothing is drawn: 3 for a target, 1 when asked
// without one.
int patchDrawMode(const ArrowTarget* target, const GmRegion* drawn);

// Whether the model holds an image to draw on. The patch tools can always
// be chosen, so the canvas hands them presses with no image too.
bool hasSourceImage();

// A finished patch that the model still lists opens its engine sub-session
// (which makes it active) and `tool` announces it (userCreatedRegion). One
// the model let go of meanwhile is left to the model.
void finishPatch(GmRegion* patch, GmTool* tool);

#endif
