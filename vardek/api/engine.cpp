#include "api/engine.h"

#include "api/handle_registry.h"
#include "api/image.h"
#include "api/session.h"

#include <algorithm>
#include <vector>

VkEngine::VkEngine() {
    vardek::registerHandle(vardek::HandleKind::Engine, this);
}

VkEngine::~VkEngine() {
    destroyContents();
    vardek::unregisterHandle(vardek::HandleKind::Engine, this);
    signature.signature = 0;
}

namespace {

int depth(const VkInSession* session) {
    int d = 0;
    for (const VkInSession* p = session->parent; p; p = p->parent)
        ++d;
    return d;
}

} // namespace

void VkEngine::destroyContents() {
    // Deepest sub-sessions first, so that no parent is destroyed before its children.
    std::vector<VkInSession*> order(sessions.begin(), sessions.end());
    std::stable_sort(order.begin(), order.end(), [](const VkInSession* a, const VkInSession* b) {
        return depth(a) > depth(b);
    });
    for (VkInSession* session : order)
        delete session;
    while (!images.empty())
        delete *images.begin();
}
