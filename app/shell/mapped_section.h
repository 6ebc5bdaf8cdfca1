// A shared-memory section a host program handed over as an inherited file
// descriptor, mapped whole. The mapping ends with the object, also when an
// exception leaves the scope that holds it.
#ifndef APP_SHELL_MAPPED_SECTION_H
#define APP_SHELL_MAPPED_SECTION_H

#include <QString>

#include <cstddef>

class MappedSection {
public:
    enum Access { ReadOnly, ReadWrite };

    MappedSection() = default;
    ~MappedSection();
    MappedSection(const MappedSection&) = delete;
    MappedSection& operator=(const MappedSection&) = delete;

    // Maps the whole of what `fd` refers to, its size taken by fstat. False,
    // with `error` set, for a descriptor that is not open, an empty section or
    // one that cannot be mapped with `access`.
    bool map(int fd, Access access, QString* error = nullptr);
    void unmap();

    bool isMapped() const { return data_ != nullptr; }
    unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

#endif
