#include "api/image.h"

#include "api/engine.h"
#include "api/handle_registry.h"
#include "core/fault_injection.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

void enterEngine(VkInImage* image) {
    if (image->engine) image->engine->images.insert(image);
}

} // namespace

VkInImage::VkInImage() : VkImage{0, 0, 0, 0, nullptr} {}

VkInImage::VkInImage(VkEngine* owner, int32_t width, int32_t height)
    : VkImage{0, 0, 0, 0, nullptr}, engine(owner) {
    allocate(width, height, 4);
    enterEngine(this);
}

VkInImage::VkInImage(const VkInImage& other)
    : VkImage(static_cast<const VkImage&>(other)), VkSigned(), engine(other.engine),
      buffer(other.buffer), rowAlignment(other.rowAlignment) {
    enterEngine(this);
}

VkInImage::VkInImage(unsigned char* pixels, int32_t width, int32_t height, int32_t rowBytes)
    : VkImage{width, height, rowBytes, 0, pixels} {}

VkInImage::~VkInImage() {
    release();
    if (engine) engine->images.erase(this);
    vardek::unregisterHandle(vardek::HandleKind::Image, static_cast<VkImage*>(this));
    signature = 0;
}

void VkInImage::release() {
    if (ownsBuffer) delete[] buffer;
    ownsBuffer = false;
    buffer = nullptr;
}

void VkInImage::allocate(int32_t w, int32_t h, int32_t alignment) {
    const int32_t align = alignment > 0 ? alignment : 1;
    const int64_t rb = (static_cast<int64_t>(w) + align - 1) / align * align;
    const auto bytes = static_cast<std::size_t>(rb) * static_cast<std::size_t>(h) + 3;
    VARDEK_FAULT_POINT("image.allocate");
    auto* block = new unsigned char[bytes];
    release();
    buffer = block;
    ownsBuffer = true;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    data = block + ((4 - address % 4) % 4);
    width = w;
    height = h;
    rowBytes = static_cast<int32_t>(rb);
    kind = 0;
    rowAlignment = alignment;
}

void VkInImage::copyRegion(const VkInImage& source, int32_t firstRow, int32_t firstColumn,
                           int32_t w, int32_t h, const unsigned char* mask, int32_t maskRowBytes) {
    allocate(w, h, rowAlignment);
    kind = source.kind;
    for (int32_t r = 0; r < h; ++r) {
        unsigned char* to = row(r);
        std::memcpy(to, source.row(firstRow + r) + firstColumn, static_cast<std::size_t>(w));
        if (mask) {
            const unsigned char* m = mask + static_cast<std::ptrdiff_t>(r) * maskRowBytes;
            for (int32_t c = 0; c < w; ++c)
                if (m[c] == 0) to[c] = 0;
        }
    }
}

namespace {

// status = unassigned where the fourth sample equals the kind's full scale,
// else no class
template <typename Sample>
void fillFromAlpha(VkInImage& status, const void* data, int32_t rowBytes, Sample fullScale) {
    const std::ptrdiff_t stride = rowBytes / static_cast<int32_t>(4 * sizeof(Sample));
    const auto* pixels = static_cast<const Sample*>(data);
    for (int32_t r = 0; r < status.height; ++r) {
        const Sample* in = pixels + r * stride * 4;
        unsigned char* out = status.row(r);
        for (int32_t c = 0; c < status.width; ++c)
            out[c] = in[4 * c + 3] == fullScale ? VkStatusUnassigned : VkStatusNone;
    }
}

} // namespace

VkInImage* newStatusImage(VkEngine& engine, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data) {
    auto image = std::make_unique<VkInImage>(&engine, width, height);
    switch (kind) {
    case VkKindRgba8:
        fillFromAlpha<uint8_t>(*image, data, rowBytes, 255);
        break;
    case VkKindRgba16:
        fillFromAlpha<uint16_t>(*image, data, rowBytes, 65535);
        break;
    case VkKindRgba15:
        fillFromAlpha<uint16_t>(*image, data, rowBytes, 32768);
        break;
    default:
        for (int32_t r = 0; r < height; ++r)
            std::memset(image->row(r), VkStatusUnassigned, width);
        break;
    }
    // Only the images handed to the application resolve as handles: the
    // aliases and views the sessions keep inside must never be taken for one.
    vardek::registerHandle(vardek::HandleKind::Image, static_cast<VkImage*>(image.get()));
    return image.release();
}
