#include "tools/remembered_tool.h"

#include "tools/gm_tool.h"

GmTool* toolToRemember(const GmTool* self, GmTool* previous, GmTool* remembered) {
    GmTool* const standsInFor = previous ? previous->previousTool() : nullptr;
    GmTool* const candidate = standsInFor ? standsInFor : previous;
    return candidate == self ? remembered : candidate;
}
