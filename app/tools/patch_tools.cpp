#include "tools/patch_tools.h"

#include "model/gm_model.h"
#include "model/gm_region.h"
#include "shell/panel_framework/view_tabs.h"
#include "tools/gm_tool.h"

int patchToolViewTabs() {
    return ViewTabs::Workspace | ViewTabs::Cutout;
}

int patchDrawMode(const ArrowTarget* target, const GmRegion* drawn) {
    if (drawn) return target == drawn ? 1 : 3;
    return target ? 3 : 1;
}

bool hasSourceImage() {
    return GmModel::instance()->sourceImage() != nullptr;
}

void finishPatch(GmRegion* patch, GmTool* tool) {
    if (!patch || !GmModel::instance()->containsRegion(patch)) return;
    patch->beginSubSession(nullptr);
    emit tool->userCreatedRegion(patch);
}
