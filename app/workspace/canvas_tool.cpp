#include "workspace/canvas_tool.h"

namespace {

std::function<CanvasTool*()>& currentToolSource() {
    static std::function<CanvasTool*()> source;
    return source;
}

} // namespace

CanvasTool::~CanvasTool() = default;

CanvasTool* CanvasTool::current() {
    const std::function<CanvasTool*()>& source = currentToolSource();
    return source ? source() : nullptr;
}

void CanvasTool::setCurrentToolSource(std::function<CanvasTool*()> source) {
    currentToolSource() = std::move(source);
}
