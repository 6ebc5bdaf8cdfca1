#include "shell/mapped_section.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

QString systemError(const char* what, int fd, int error) {
    return QStringLiteral("%1 of descriptor %2 failed: %3")
        .arg(QString::fromLatin1(what))
        .arg(fd)
        .arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

MappedSection::~MappedSection() {
    unmap();
}

bool MappedSection::map(int fd, Access access, QString* error) {
    unmap();
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        if (error) *error = systemError("fstat", fd, fd < 0 ? EBADF : errno);
        return false;
    }
    if (status.st_size <= 0 || std::uintmax_t(status.st_size) > SIZE_MAX) {
        if (error) *error = QStringLiteral("Descriptor %1 holds no section to map").arg(fd);
        return false;
    }
    const std::size_t size = std::size_t(status.st_size);
    const int protection = access == ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    void* data = ::mmap(nullptr, size, protection, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        if (error) *error = systemError("mmap", fd, errno);
        return false;
    }
    data_ = static_cast<unsigned char*>(data);
    size_ = size;
    return true;
}

void MappedSection::unmap() {
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}
