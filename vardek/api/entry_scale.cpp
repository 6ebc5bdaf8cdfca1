// The image-scaling entry function. It touches no engine state and may run on
// another thread while an engine call runs, so it leaves the process-wide
// allocation-failure handler alone.
#include "api/scale_image.h"
#include "api/vardek.h"

namespace {

bool readable(const VkImage& image) {
    return image.data && image.width > 0 && image.height > 0 &&
           static_cast<int64_t>(image.rowBytes) >= 4 * static_cast<int64_t>(image.width);
}

} // namespace

VkResult VkScaleImage(VkImage target, VkImage source) {
    if (target.kind != VkKindRgba8 || source.kind != VkKindRgba8) return VkNotSupported;
    if (!readable(target) || !readable(source)) return VkNotSupported;
    const int factor = vardek::scaleFactor(target, source);
    // Any other factor would write nothing; that is not a success.
    if (factor != 1 && factor != 2 && factor != 4 && factor != 8) return VkNotSupported;
    try {
        vardek::scaleImage(target, source, factor);
        return VkOk;
    } catch (...) {
        return VkFailed;
    }
}
