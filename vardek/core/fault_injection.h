// Fault-injection points: compiled only into builds that carry the tests, so
// tests can reach the out-of-memory, failure and cancel paths on demand.
#ifndef VARDEK_CORE_FAULT_INJECTION_H
#define VARDEK_CORE_FAULT_INJECTION_H

namespace vardek::fault {

enum class Kind {
    OutOfMemory, // std::bad_alloc
    Unexpected,  // VkExFailure
    Cancel,      // VkExCancel
};

#ifdef VARDEK_FAULT_INJECTION
// The next `skip` + 1st hit of `site` throws an exception of `kind`; one site armed at a time.
void arm(const char* site, Kind kind, int skip = 0);
void disarm();
// Throws when `site` is armed and its countdown has run out.
void hit(const char* site);
#define VARDEK_FAULT_POINT(site) ::vardek::fault::hit(site)
#else
#define VARDEK_FAULT_POINT(site) ((void)0)
#endif

} // namespace vardek::fault

#endif
