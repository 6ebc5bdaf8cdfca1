// Memory for the large working arrays of an analysis.
//
// An analysis of a large photograph writes several arrays of tens to hundreds
// of megabytes that nothing has touched before; the first write of every page
// is a page fault, and on small pages those faults cost more than the work
// itself. The kernel is therefore asked to back such memory with huge pages
// where it can (on Linux, where huge pages are granted on request), which
// takes about five hundred times fewer faults. Where it cannot, nothing
// changes but the cost.
#ifndef VARDEK_CORE_LARGE_MEMORY_H
#define VARDEK_CORE_LARGE_MEMORY_H

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace classification {

// Arrays below this many bytes keep the allocator's small pages.
inline constexpr std::size_t largeMemoryBytes = std::size_t(4) << 20;

// Asks for huge pages over the whole huge pages inside [data, data + bytes),
// before anything is written there. Does nothing for fewer than
// largeMemoryBytes bytes.
void adviseLargeMemory(void* data, std::size_t bytes);

// `count` elements left uninitialised, advised as above.
template <typename T> std::unique_ptr<T[]> largeBuffer(std::size_t count) {
    static_assert(std::is_trivially_destructible_v<T>, "a buffer of plain values");
    std::unique_ptr<T[]> buffer(new T[count]);
    adviseLargeMemory(buffer.get(), count * sizeof(T));
    return buffer;
}

// An allocator for std::vector that advises what it allocates as above, for
// the large tables that grow while they are filled.
template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t count) {
        T* data = static_cast<T*>(::operator new(count * sizeof(T)));
        adviseLargeMemory(data, count * sizeof(T));
        return data;
    }
    void deallocate(T* data, std::size_t) { ::operator delete(data); }
    template <typename U> bool operator==(const LargeAllocator<U>&) const { return true; }
    template <typename U> bool operator!=(const LargeAllocator<U>&) const { return false; }
};

// A base for the element types of large arrays made with new[]: the memory is
// advised as above before the elements are constructed in it, so that their
// constructors, which touch every page, fault in huge pages rather than small
// ones. An array of such elements must be released with delete[]. The base
// is a template of the element's own type so that an element holding others
// (an array of them) needs no room for two bases of the same type.
template <typename Element> struct LargeArrayElement {
    static void* operator new[](std::size_t bytes) {
        void* data = ::operator new[](bytes);
        adviseLargeMemory(data, bytes);
        return data;
    }
    static void operator delete[](void* data) noexcept { ::operator delete[](data); }
};

} // namespace classification

#endif
