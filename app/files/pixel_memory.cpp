#include "files/pixel_memory.h"

#include <sys/mman.h>

#include <limits>
#include <new>

namespace {

// Blocks from this size on are mapped on their own.
constexpr std::size_t kMappedBlockBytes = std::size_t(4) << 20;

struct ImageBlock {
    void* memory;
    std::size_t bytes;
};

void freeImageBlock(void* info) {
    auto* block = static_cast<ImageBlock*>(info);
    freePixelMemory(block->memory, block->bytes);
    delete block;
}

} // namespace

void* allocatePixelMemory(std::size_t bytes) {
    if (bytes < kMappedBlockBytes) return ::operator new(bytes == 0 ? 1 : bytes);
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    // Only advice: where huge pages are off, the block works with small ones.
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void freePixelMemory(void* block, std::size_t bytes) {
    if (!block) return;
    if (bytes < kMappedBlockBytes)
        ::operator delete(block);
    else
        munmap(block, bytes);
}

QImage newPixelImage(const QSize& size, QImage::Format format) {
    if (size.isEmpty() || format == QImage::Format_Invalid) return QImage();
    // Rows padded to 32 bits, as QImage's own.
    const qint64 depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 rowBytes = ((qint64(size.width()) * depth + 31) / 32) * 4;
    const qint64 bytes = rowBytes * size.height();
    if (rowBytes > std::numeric_limits<int>::max() || bytes / rowBytes != size.height())
        return QImage();
    ImageBlock* block = nullptr;
    void* memory = nullptr;
    try {
        memory = allocatePixelMemory(std::size_t(bytes));
        block = new ImageBlock{memory, std::size_t(bytes)};
    } catch (const std::bad_alloc&) {
        freePixelMemory(memory, std::size_t(bytes));
        return QImage();
    }
    QImage image(static_cast<uchar*>(block->memory), size.width(), size.height(), int(rowBytes),
                 format, freeImageBlock, block);
    if (image.isNull()) freeImageBlock(block);
    return image;
}

QImage newClearedPixelImage(const QSize& size, QImage::Format format) {
    QImage image = newPixelImage(size, format);
    if (!image.isNull() && std::size_t(image.sizeInBytes()) < kMappedBlockBytes) image.fill(0);
    return image;
}
