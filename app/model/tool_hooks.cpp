#include "model/tool_hooks.h"

namespace {

constexpr int kDefaultCleanStrength = 3;

} // namespace

ToolHooks& toolHooks() {
    static ToolHooks hooks;
    return hooks;
}

int brushStrength() {
    return toolHooks().brushStrength ? toolHooks().brushStrength() : 0;
}

int cleanStrength() {
    return toolHooks().cleanStrength ? toolHooks().cleanStrength() : kDefaultCleanStrength;
}

void setBrushSize(int size) {
    if (toolHooks().setBrushSize) toolHooks().setBrushSize(size);
}

void setCleanStrength(int strength) {
    if (toolHooks().setCleanStrength) toolHooks().setCleanStrength(strength);
}

void previewPatch(GmRegion* patch) {
    if (toolHooks().previewPatch) toolHooks().previewPatch(patch);
}

void stopPatchEdit(GmRegion* patch) {
    if (toolHooks().stopPatchEdit) toolHooks().stopPatchEdit(patch);
}
