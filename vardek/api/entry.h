// The frame every entry function shares: the allocation-failure handler is
// cleared for the call and restored on every path, handles are resolved
// through the live-handle registry, and no exception leaves the call.
#ifndef VARDEK_API_ENTRY_H
#define VARDEK_API_ENTRY_H

#include "api/engine.h"
#include "api/image.h"
#include "api/session.h"
#include "api/vardek.h"

#include <new>

namespace vardek::entry {

// Clears the process's allocation-failure handler so that a failed allocation
// raises std::bad_alloc inside the engine; restores it when the call ends.
class AllocationHandlerGuard {
public:
    AllocationHandlerGuard() : previous_(std::set_new_handler(nullptr)) {}
    ~AllocationHandlerGuard() { std::set_new_handler(previous_); }
    AllocationHandlerGuard(const AllocationHandlerGuard&) = delete;
    AllocationHandlerGuard& operator=(const AllocationHandlerGuard&) = delete;

private:
    std::new_handler previous_;
};

// VkBadEngine for a dead engine, VkEngineFailed for a failed one, else VkOk.
VkResult resolveEngine(VkEngine* handle, VkEngine*& engine);
// VkBadSession for a dead session, then VkBadEngine and VkEngineFailed for
// its engine, else VkOk.
VkResult resolveSession(VkSession* handle, VkInSession*& session);
// VkBadImage for a dead image, else VkOk.
VkResult resolveImage(VkImage* handle, VkInImage*& image);

inline void markFailed(VkEngine& engine) {
    engine.failed = true;
}

// Runs `body` (returning a VkResult); anything that escapes it, the engine's
// own VkExFailure or any other exception, marks the engine failed and gives
// VkFailed.
template <class Body> VkResult guarded(VkEngine& engine, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        markFailed(engine);
        return VkFailed;
    }
}

// Frame of an entry function on one session: checks, then `body(session)`.
template <class Body> VkResult onSession(VkSession* handle, Body&& body) noexcept {
    AllocationHandlerGuard handler;
    VkInSession* session = nullptr;
    if (VkResult r = resolveSession(handle, session)) return r;
    return guarded(*session->engine, [&] { return body(*session); });
}

// Frame of an entry function on a session and a status image: the image is
// checked first. An image of another engine than the session's is refused
// like a dead one: the session would keep views of it that outlive it.
template <class Body>
VkResult onSessionImage(VkSession* sessionHandle, VkImage* imageHandle, Body&& body) noexcept {
    AllocationHandlerGuard handler;
    VkInImage* image = nullptr;
    if (VkResult r = resolveImage(imageHandle, image)) return r;
    VkInSession* session = nullptr;
    if (VkResult r = resolveSession(sessionHandle, session)) return r;
    if (image->engine != session->engine) return VkBadImage;
    return guarded(*session->engine, [&] { return body(*session, *image); });
}

} // namespace vardek::entry

#endif
