// Calls that create and destroy: engines, status images, sessions and
// sub-sessions.
#include "call_fuzzer.h"

#include "rect_checks.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace fuzz {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

} // namespace

void CallFuzzer::callInit() {
    if (engines_.size() >= 3) return;
    beginCall("VkInit");
    VkEngine* engine = VkInit();
    if (!engine)
        fail("no engine");
    else
        engines_.push_back(std::make_unique<EngineModel>(EngineModel{engine}));
    endCall();
}

void CallFuzzer::callFinish() {
    // Finishing takes everything of an engine away: now and then only.
    if (engines_.size() < 3 && random_.chance(0.7)) return;
    const EngineArg engine = pickEngine();
    beginCall("VkFinish");
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = VkFinish(engine.value);
    expectResult(r, {engine.live ? VkOk : VkBadEngine});
    if (r == VkOk && engine.live) engineFinished(engine.value);
    checkStatus(before, r, StatusChange{});
    endCall();
}

void CallFuzzer::callNewStatusImage() {
    if (images_.size() >= 10) return;
    EngineArg engine = pickEngine();
    // Mostly an image for an engine that has sessions to use it with.
    if (!sessions_.empty() && random_.chance(0.7)) {
        const SessionModel& s =
            *sessions_[random_.between(0, static_cast<int>(sessions_.size()) - 1)];
        engine = {s.engine, findEngine(s.engine)};
    }
    int32_t kind = random_.pick<int32_t>({1, 1, 1, 2, 3, 7, 0});
    int32_t width = imageSide(), height = imageSide();
    std::vector<SessionModel*> same;
    for (const auto& s : sessions_)
        if (engine.live && s->engine == engine.value) same.push_back(s.get());
    if (!same.empty() && random_.chance(0.7)) {
        const SessionModel* s = random_.pick(same);
        width = s->handle->width;
        height = s->handle->height;
    }
    const bool hostile = random_.chance(0.25);
    if (hostile) {
        kind = random_.between(1, 3);
        width = std::min(width, 8);
        height = std::min(height, 8);
    }
    auto pixels = newCallerImage(width, height, kind);
    VkImage record = pixels->view();
    if (hostile) {
        const int32_t pb = pixels->pixelBytes;
        switch (random_.between(0, 5)) {
        case 0:
            record.width = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        case 1:
            record.height = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        case 2:
            record.rowBytes =
                random_.pick<int32_t>({pb * width - 1, pb * width - pb, -pb, kIntMin});
            break;
        case 3:
            record.rowBytes = pb * width + random_.between(1, pb - 1);
            break;
        case 4:
            record.data = nullptr;
            break;
        default: // rows whose byte count wraps in 32 bits
            record.width = (1 << 30) / (pb / 4) + 1;
            record.height = 1;
            record.rowBytes = pb;
            break;
        }
    }
    beginCall("VkNewStatusImage");
    readOnly_.push_back(pixels);
    const StatusSnapshot before = snapshotStatus();
    VkImage* image = VkNewStatusImage(engine.value, record.width, record.height, record.rowBytes,
                                      record.kind, record.data);
    checkStatus(before, VkOk, StatusChange{});
    if (!engine.live || hostile) {
        if (image) fail("a status image from a bad engine or a bad image record");
    } else if (!image) {
        fail("no status image for a valid record");
    } else {
        const VkImage& r = *image;
        if (r.width != width || r.height != height || r.kind != VkKindStatus || !r.data ||
            r.rowBytes < width || r.rowBytes % 4 != 0)
            fail("the status image record is wrong");
        // Unassigned where the pixel is fully opaque, no class elsewhere.
        const uint16_t full = kind == VkKindRgba15 ? 32768 : kind == VkKindRgba16 ? 65535 : 255;
        for (int row = 0; row < height && failure_.empty(); ++row)
            for (int c = 0; c < width; ++c) {
                const unsigned char* p = pixels->buffer.data() +
                                         std::ptrdiff_t{row} * record.rowBytes +
                                         std::ptrdiff_t{c} * pixels->pixelBytes;
                uint16_t alpha = p[3];
                if (kind != VkKindRgba8) std::memcpy(&alpha, p + 6, 2);
                const bool opaque = kind < VkKindRgba8 || kind > VkKindRgba15 || alpha == full;
                if (r.data[std::ptrdiff_t{row} * r.rowBytes + c] !=
                    (opaque ? VkStatusUnassigned : VkStatusNone)) {
                    fail("a status byte does not follow the alpha sample");
                    break;
                }
            }
        images_.push_back(std::make_unique<ImageModel>(ImageModel{image, engine.value}));
    }
    endCall();
}

void CallFuzzer::callBeginSession() {
    if (sessions_.size() >= 8) return;
    const EngineArg engine = pickEngine();
    const int32_t width = imageSide(), height = imageSide();
    auto pixels = newCallerImage(width, height, VkKindRgba8);
    VkImage record = pixels->view();
    const bool hostile = random_.chance(0.2);
    if (hostile) {
        switch (random_.between(0, 5)) {
        case 0:
            record.width = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        case 1:
            record.height = random_.pick<int32_t>({0, -1, kIntMin});
            break;
        case 2:
            record.rowBytes = random_.pick<int32_t>({4 * width - 1, -4, -4 * width, kIntMin});
            break;
        case 3:
            record.rowBytes = 4 * width + random_.between(1, 3);
            break;
        case 4:
            if (random_.chance(0.5))
                record.data = nullptr;
            else
                record.kind = random_.pick<int32_t>({0, 2, 3, 7, -1});
            break;
        default: // four bytes a pixel wrap: 4 x (2^30 + 1) is 4 in 32 bits
            record.width = (1 << 30) + 1;
            record.height = 1;
            record.rowBytes = 4;
            break;
        }
    }
    beginCall("VkBeginSession");
    readOnly_.push_back(pixels);
    const StatusSnapshot before = snapshotStatus();
    VkSession* session = VkBeginSession(engine.value, record.width, record.height, record.rowBytes,
                                        record.kind, record.data);
    checkStatus(before, VkOk, StatusChange{});
    if (!engine.live || hostile) {
        if (session) fail("a session from a bad engine or a bad image record");
    } else if (!session) {
        // Only a cancel during the construction gives null for a valid image.
        if (cancelAt_ < 0) fail("no session for a valid image");
    } else {
        const VkSession& r = *session;
        if (r.x != 0 || r.y != 0 || r.width != width || r.height != height || r.analysed != 0 ||
            r.variableCount != 22 || !r.variables)
            fail("the session record is wrong");
        sessions_.push_back(std::make_unique<SessionModel>(
            SessionModel{session, engine.value, nullptr, false, true, pixels}));
    }
    endCall();
}

void CallFuzzer::callBeginSubSession() {
    if (sessions_.size() >= 8) return;
    const SessionArg parent = pickSession();
    int32_t area[4] = {0, 0, 16, 16};
    if (parent.live) {
        const VkSession& p = *parent.live->handle;
        area[0] = p.x;
        area[1] = p.y;
        area[2] = p.width;
        area[3] = p.height;
    }
    const bool nullRect = random_.chance(0.04);
    const VkMaskRect rect = placedRect(area, false);
    const int32_t forAnalysis = random_.pick<int32_t>({0, 0, 1, 1, 7, -1});
    // The rectangle must lie inside the parent's area, and a mask must hold its width.
    const bool inside = rect.width > 0 && rect.height > 0 && rect.x >= area[0] &&
                        rect.y >= area[1] &&
                        int64_t{rect.x} + rect.width <= int64_t{area[0]} + area[2] &&
                        int64_t{rect.y} + rect.height <= int64_t{area[1]} + area[3];
    const bool valid = parent.live && !nullRect && inside && readable(rect);
    beginCall("VkBeginSubSession");
    const StatusSnapshot before = snapshotStatus();
    VkSession* sub = VkBeginSubSession(parent.value, nullRect ? nullptr : &rect, forAnalysis);
    checkStatus(before, VkOk, StatusChange{});
    if (!valid) {
        if (sub) fail("a sub-session from a bad parent or a bad rectangle");
    } else if (!sub) {
        if (cancelAt_ < 0) fail("no sub-session for a valid rectangle");
    } else {
        const VkSession& r = *sub;
        if (r.x != rect.x || r.y != rect.y || r.width != rect.width || r.height != rect.height ||
            r.analysed != 0)
            fail("the sub-session record is wrong");
        sessions_.push_back(std::make_unique<SessionModel>(SessionModel{
            sub, parent.live->engine, parent.value, true, forAnalysis != 0, parent.live->pixels}));
    }
    endCall();
}

void CallFuzzer::callEndSession() {
    const SessionArg session = pickSession();
    beginCall("VkEndSession");
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = VkEndSession(session.value);
    expectResult(r, {session.live ? VkOk : VkBadSession});
    if (r == VkOk && session.live) sessionEnded(session.value);
    checkStatus(before, r, StatusChange{});
    endCall();
}

} // namespace fuzz
