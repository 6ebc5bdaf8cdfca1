// Calls on caller images: image scaling and mask generation.
#include "call_fuzzer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fuzz {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

int64_t ceilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

// Whether the sizes ask for a factor the engine reduces by: the larger
// quotient rounded up, 3 taken as 4 and 7 as 8. A small image's
// ceil(size / f) may ask for another one (10 into ceil(10 / 8) = 2 gives 5).
bool supportedFactor(const VkImage& target, const VkImage& source) {
    const auto quotient = [](int32_t from, int32_t to) {
        return static_cast<int>(std::ceil(static_cast<float>(from) / static_cast<float>(to)));
    };
    const int k =
        std::max(quotient(source.height, target.height), quotient(source.width, target.width));
    return k == 1 || k == 2 || k == 3 || k == 4 || k == 7 || k == 8;
}

} // namespace

void CallFuzzer::callScaleImage() {
    const int32_t width = std::min(imageSide(), 200), height = std::min(imageSide(), 200);
    const int factor = random_.pick<int>({1, 2, 4, 8});
    // The application's workspace: ceil(size / factor) on both axes.
    auto source = newCallerImage(width, height, VkKindRgba8);
    auto target = newCallerImage(static_cast<int32_t>(ceilDiv(width, factor)),
                                 static_cast<int32_t>(ceilDiv(height, factor)), VkKindRgba8);
    VkImage from = source->view(), to = target->view();
    std::vector<VkResult> allowed = {supportedFactor(to, from) ? VkOk : VkNotSupported};
    if (random_.chance(0.25)) {
        VkImage& bad = random_.chance(0.5) ? from : to;
        allowed = {VkNotSupported};
        switch (random_.between(0, 5)) {
        case 0:
            bad.kind = random_.pick<int32_t>({0, 2, 3, 7});
            break;
        case 1:
            bad.rowBytes = 4 * bad.width + random_.between(1, 3);
            break;
        case 2:
            bad.rowBytes = random_.pick<int32_t>({4 * bad.width - 1, -4, kIntMin});
            break;
        case 3:
            bad.width = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        case 4:
            bad.data = nullptr;
            break;
        default: // sizes of no supported factor, or of one: either answer is fine
            to.width = std::max(1, to.width - random_.between(0, 2));
            to.height = std::max(1, to.height - random_.between(0, 2));
            allowed = {VkOk, VkNotSupported};
            break;
        }
    }
    beginCall("VkScaleImage");
    readOnly_.push_back(source);
    writable_ = target;
    const VkResult r = VkScaleImage(to, from);
    expectResult(r, allowed);
    writableWritten_ = r == VkOk;
    endCall();
}

void CallFuzzer::callGenerateMask() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    int32_t statusWidth = 16, statusHeight = 16;
    if (image.live) {
        statusWidth = image.live->handle->width;
        statusHeight = image.live->handle->height;
    }
    const int32_t area[4] = {0, 0, statusWidth, statusHeight};

    // The output at full resolution: the status image is ceil(output / factor).
    int factor = random_.pick<int>({1, 1, 2, 4, 8});
    while (factor > 1 && int64_t{statusWidth} * factor > 400)
        factor /= 2;
    while (factor > 1 && int64_t{statusHeight} * factor > 400)
        factor /= 2;
    const int32_t width = std::max(1, statusWidth * factor - random_.between(0, factor - 1));
    const int32_t height = std::max(1, statusHeight * factor - random_.between(0, factor - 1));
    const int32_t kind = random_.chance(0.9) ? random_.pick<int32_t>({1, 1, 2, 3}) : 1;
    auto source = newCallerImage(width, height, kind);
    auto output = newCallerImage(width, height, kind);
    VkImage from = source->view(), to = output->view();
    bool hostile = false;
    if (random_.chance(0.15)) {
        hostile = true;
        VkImage& bad = random_.chance(0.5) ? from : to;
        const int32_t pb = kind == VkKindRgba8 ? 4 : 8;
        switch (random_.between(0, 4)) {
        case 0:
            if (&bad == &from)
                bad.kind = random_.pick<int32_t>({0, 4, 7, -1});
            else
                bad.width = bad.width > 1 ? bad.width - 1 : 2; // not the source's size
            break;
        case 1:
            bad.rowBytes = pb * bad.width + random_.between(1, pb - 1);
            break;
        case 2:
            bad.rowBytes = random_.pick<int32_t>({pb * bad.width - 1, -pb, kIntMin});
            break;
        case 3:
            bad.height = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        default:
            bad.data = nullptr;
            break;
        }
    }
    const bool withRect = random_.chance(0.4);
    const VkMaskRect placed = placedRect(area, false);
    const VkRect rect{placed.x, placed.y, placed.width, placed.height};

    // Forced edges and patches, with extreme numbers now and then.
    const uint32_t edgeCount = static_cast<uint32_t>(random_.between(0, 3));
    std::vector<std::vector<float>> points(edgeCount);
    std::vector<VkForcedEdgeRecord> edges(edgeCount);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const uint32_t n = static_cast<uint32_t>(random_.between(0, 6));
        for (uint32_t k = 0; k < n; ++k) {
            points[e].push_back(random_.floatIn(-2.0f, statusWidth + 2.0f, 0.05));
            points[e].push_back(random_.floatIn(-2.0f, statusHeight + 2.0f, 0.05));
        }
        edges[e] = {points[e].empty() ? nullptr : points[e].data(), n,
                    random_.floatIn(0.0f, 6.0f, 0.1)};
    }
    const uint32_t patchCount = static_cast<uint32_t>(random_.between(0, 3));
    std::vector<VkPatchRecord> patches(patchCount);
    for (VkPatchRecord& patch : patches) {
        const VkMaskRect mask = placedRect(area, false);
        patch = VkPatchRecord{mask.x,
                              mask.y,
                              mask.width,
                              mask.height,
                              mask.rowBytes,
                              mask.kind,
                              mask.data,
                              static_cast<uint8_t>(random_.chance(0.2)),
                              random_.between(0, 1),
                              random_.between(0, 1),
                              {random_.byte(), random_.byte(), random_.byte()},
                              {random_.byte(), random_.byte(), random_.byte()},
                              random_.floatIn(0.0f, 1.0f),
                              random_.chance(0.9) ? random_.pick<uint8_t>({0, 1, 3, 2})
                                                  : random_.byte(),
                              random_.floatIn(0.0f, 1.0f),
                              random_.floatIn(0.0f, 1.0f)};
    }
    const bool nullEdges = edgeCount == 0 && random_.chance(0.5);
    const bool nullPatches = patchCount == 0 && random_.chance(0.5);
    const float autoBlendWidth = random_.floatIn(0.0f, 3.0f);
    const float blendRatio = random_.floatIn(0.0f, 1.0f);

    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (hostile)
        allowed = {VkNotSupported};
    else if (session.live->forAnalysis && !session.live->handle->analysed)
        allowed = {VkNotSupported, VkNoSegmentation};
    else
        allowed = {VkOk, VkNotSupported, VkCancelled};

    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        session.value};
    readOnly_.push_back(source);
    writable_ = output;
    VkResult result = VkOk;
    statusCall("VkGenerateMask", change, session.live ? session.value : nullptr, allowed, [&] {
        readOnly_.push_back(source);
        result = VkGenerateMask(session.value, withRect ? &rect : nullptr, to, from, image.value,
                                nullEdges ? nullptr : edges.data(), edgeCount, autoBlendWidth,
                                blendRatio, nullPatches ? nullptr : patches.data(), patchCount);
        writableWritten_ = result == VkOk;
        return result;
    });
}

} // namespace fuzz
