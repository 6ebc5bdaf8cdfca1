#include "model/view_hooks.h"

namespace {

std::function<void(int)>& showViewTabHook() {
    static std::function<void(int)> hook;
    return hook;
}

std::function<bool()>& showEdgesHook() {
    static std::function<bool()> hook;
    return hook;
}

} // namespace

void setShowViewTabHook(std::function<void(int viewTab)> hook) {
    showViewTabHook() = std::move(hook);
}

void showViewTab(int viewTab) {
    if (showViewTabHook()) showViewTabHook()(viewTab);
}

void setShowEdgesHook(std::function<bool()> hook) {
    showEdgesHook() = std::move(hook);
}

bool edgesShown() {
    return showEdgesHook() && showEdgesHook()();
}
