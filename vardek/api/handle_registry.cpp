#include "api/handle_registry.h"

#include <mutex>
#include <set>
#include <utility>

namespace vardek {
namespace {

struct Registry {
    std::mutex mutex;
    std::set<std::pair<HandleKind, const void*>> live;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

void registerHandle(HandleKind kind, const void* handle) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.emplace(kind, handle);
}

void unregisterHandle(HandleKind kind, const void* handle) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.erase({kind, handle});
}

bool isLiveHandle(HandleKind kind, const void* handle) {
    if (!handle) return false;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.live.count({kind, handle}) != 0;
}

} // namespace vardek
