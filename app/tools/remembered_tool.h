// What the tools that stand in for another for a while (the hand and zoom
// tools, made current with the space bar or picked in passing) remember of
// the tool they replaced, so that patches keep that tool's look and the
// right tool comes back.
#ifndef APP_TOOLS_REMEMBERED_TOOL_H
#define APP_TOOLS_REMEMBERED_TOOL_H

class ArrowTarget;
class GmTool;

// The tool to remember when `self` becomes current after `previous`: the
// tool `previous` stood in for when it was itself standing in for one, else
// `previous`. When that is `self` (it comes back from a tool that stood in
// for it) it keeps what it had, `remembered`, so no tool ever remembers
// itself.
GmTool* toolToRemember(const GmTool* self, GmTool* previous, GmTool* remembered);

// How `target` is drawn while such a tool is current: as the tool it
// remembers draws it, or as a plain outline when it remembers none.
int rememberedDrawMode(const GmTool* remembered, const ArrowTarget* target);

#endif
