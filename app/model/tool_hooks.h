// What the document needs of the tools, which install it when they are built
// (the tools' library sits above the document's): the brushes' "Strength"
// row, the clean tool's strength, the brush size to set when an image opens
// or the resolution changes, the cut-out preview of a patch, and the end of
// a polygon patch's edit when the patch is deleted. Until a
// hook is installed the values are the tools' defaults and setting does
// nothing. The brush size itself is read through Brushing::brushSize().
// User-interface thread only.
#ifndef APP_MODEL_TOOL_HOOKS_H
#define APP_MODEL_TOOL_HOOKS_H

#include <functional>

class GmRegion;

struct ToolHooks {
    // The "Strength" row of the brush tools (0 to 7).
    std::function<int()> brushStrength;
    // The clean tool's strength (1 to 20).
    std::function<int()> cleanStrength;
    // Set the brushes' size; the tool clamps it to 1..400.
    std::function<void(int)> setBrushSize;
    // Set the clean tool's strength; the tool clamps it.
    std::function<void(int)> setCleanStrength;
    // Preview the cut-out inside a patch.
    std::function<void(GmRegion*)> previewPatch;
    // The polygon patch tool stops editing the patch (which is being
    // deleted) when it is the one it edits.
    std::function<void(GmRegion*)> stopPatchEdit;
};

// The installed hooks; assign members to install, a default ToolHooks to remove all.
ToolHooks& toolHooks();

// The brushes' strength; 0 when no brush tool answers (no "Strength" row).
int brushStrength();
// The clean tool's strength; 3 (its default) when no clean tool answers.
int cleanStrength();
void setBrushSize(int size);
void setCleanStrength(int strength);
void previewPatch(GmRegion* patch);
void stopPatchEdit(GmRegion* patch);

#endif
