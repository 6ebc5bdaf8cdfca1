#include "workspace/canvas_hooks.h"

CanvasHooks& canvasHooks() {
    static CanvasHooks hooks;
    return hooks;
}

QBrush backgroundBrush() {
    const CanvasHooks& hooks = canvasHooks();
    return hooks.backgroundBrush ? hooks.backgroundBrush() : QBrush(Qt::white);
}
