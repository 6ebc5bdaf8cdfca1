#include "tools/remembered_tool.h"

#include "model/shape.h"
#include "tools/gm_tool.h"

GmTool* toolToRemember(const GmTool* self, GmTool* previous, GmTool* remembered) {
    GmTool* const standsInFor = previous ? previous->previousTool() : nullptr;
    GmTool* const candidate = standsInFor ? standsInFor : previous;
    return candidate == self ? remembered : candidate;
}

int rememberedDrawMode(const GmTool* remembered, const ArrowTarget* target) {
    return remembered ? remembered->targetDrawMode(target) : int(Shape::PaintOtherOutline);
}
