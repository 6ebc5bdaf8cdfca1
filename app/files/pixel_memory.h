// Memory for the pixels of large images. A 24-megapixel photograph needs
// blocks of 100 to 200 MB, and touching that many fresh 4 KB pages costs more
// than decoding the picture on some systems; such blocks are mapped on their
// own and asked for huge pages, so that the first write faults in 2 MB at a
// time. Small blocks come from the ordinary heap.
#ifndef APP_FILES_PIXEL_MEMORY_H
#define APP_FILES_PIXEL_MEMORY_H

#include <QImage>

#include <cstddef>

// A block of `bytes` bytes, aligned for any sample type and uninitialised;
// throws std::bad_alloc when there is no memory.
void* allocatePixelMemory(std::size_t bytes);
// Gives back a block from allocatePixelMemory, with the size it was asked for.
void freePixelMemory(void* block, std::size_t bytes);

// A new image of `size` and `format` whose pixels live in such a block; it
// owns them like any QImage (copies share them, the last one frees them). A
// null image when there is no memory.
QImage newPixelImage(const QSize& size, QImage::Format format);
// The same with every pixel 0 (mapped blocks come from the system cleared;
// small ones are cleared here). For decoders that may leave rows out.
QImage newClearedPixelImage(const QSize& size, QImage::Format format);

#endif
