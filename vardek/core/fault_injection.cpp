#include "core/fault_injection.h"

#ifdef VARDEK_FAULT_INJECTION

#include "core/exceptions.h"

#include <mutex>
#include <new>
#include <string>

namespace vardek::fault {
namespace {

struct Armed {
    std::mutex mutex;
    std::string site;
    Kind kind = Kind::Unexpected;
    int skip = 0;
    bool armed = false;
};

Armed& state() {
    static Armed instance;
    return instance;
}

} // namespace

void arm(const char* site, Kind kind, int skip) {
    Armed& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.site = site;
    s.kind = kind;
    s.skip = skip;
    s.armed = true;
}

void disarm() {
    Armed& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.armed = false;
}

void hit(const char* site) {
    Armed& s = state();
    Kind kind;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.armed || s.site != site) return;
        if (s.skip-- > 0) return;
        s.armed = false;
        kind = s.kind;
    }
    switch (kind) {
    case Kind::OutOfMemory:
        throw std::bad_alloc();
    case Kind::Cancel:
        throw VkExCancel();
    case Kind::Unexpected:
        break;
    }
    throw VkExFailure("Injected fault");
}

} // namespace vardek::fault

#endif
