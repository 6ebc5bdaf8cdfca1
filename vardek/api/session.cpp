#include "vardek/api/session.h"

#include "vardek/api/engine.h"
#include "vardek/api/handle_registry.h"

#include <algorithm>

VkInSession::~VkInSession() {
    if (parent) {
        auto& siblings = parent->subSessions;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    // Children that outlive their parent are detached rather than left pointing at freed memory.
    for (VkInSession* child : subSessions)
        child->parent = nullptr;
    if (engine) engine->sessions.erase(this);
    vardek::unregisterHandle(vardek::HandleKind::Session, static_cast<VkSession*>(this));
    signature = 0;
}
