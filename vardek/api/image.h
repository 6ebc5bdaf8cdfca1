// Engine images: the status images the engine owns, aliases of them, and
// non-owning views over someone else's bytes.
#ifndef VARDEK_API_IMAGE_H
#define VARDEK_API_IMAGE_H

#include "api/signed.h"
#include "api/vardek.h"

#include <cstddef>

struct VkInImage : VkImage, VkSigned {
    bool ownsBuffer = false;
    VkEngine* engine = nullptr;      // null for a free-standing image
    unsigned char* buffer = nullptr; // the allocated block (an alias carries its source's)
    int32_t rowAlignment = 0;        // 4 for engine-created images, 0 for views

    // Empty: all public fields 0, owning nothing.
    VkInImage();
    // Owned: width x height bytes, rows padded to a multiple of 4, registered
    // with `engine`. The bytes are not initialised.
    VkInImage(VkEngine* engine, int32_t width, int32_t height);
    // Alias: the same pixels and engine as `other`, owning nothing.
    explicit VkInImage(const VkInImage& other);
    // View: a non-owning window over one-byte pixels; no engine.
    VkInImage(unsigned char* data, int32_t width, int32_t height, int32_t rowBytes);
    virtual ~VkInImage();

    VkInImage& operator=(const VkInImage&) = delete;

    // Region copy: becomes an owning copy of `source`'s bytes in the rectangle
    // (firstRow, firstColumn, width, height); where `mask` (one byte per pixel of
    // the rectangle, `maskRowBytes` apart) is 0 the copied byte is set to 0.
    void copyRegion(const VkInImage& source, int32_t firstRow, int32_t firstColumn, int32_t width,
                    int32_t height, const unsigned char* mask = nullptr, int32_t maskRowBytes = 0);

    unsigned char* row(int32_t r) const { return data + static_cast<std::ptrdiff_t>(r) * rowBytes; }

private:
    void allocate(int32_t width, int32_t height, int32_t alignment);
    void release();
};

// Recovers the engine object behind a handle; the handle must already be checked.
inline VkInImage* inImage(VkImage* handle) {
    return static_cast<VkInImage*>(handle);
}

// The status image of the application's pixels: VkStatusUnassigned where the
// pixel is fully opaque (alpha equal to the kind's full scale), VkStatusNone
// elsewhere; kinds other than VkKindRgba8, VkKindRgba16 and VkKindRgba15 give
// VkStatusUnassigned everywhere. The new image is registered as a live handle
// (no other image is). Throws on allocation failure.
VkInImage* newStatusImage(VkEngine& engine, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data);

#endif
