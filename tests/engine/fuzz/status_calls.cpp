// Calls that change status images: select, auto complex, despeckle, auto fill,
// set status and the sub-session transfers.
#include "call_fuzzer.h"

#include "rect_checks.h"

#include <cmath>
#include <limits>

namespace fuzz {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

} // namespace

void CallFuzzer::callSelect() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    int32_t area[4] = {0, 0, 16, 16};
    if (session.live) {
        const VkSession& p = *session.live->handle;
        area[0] = p.x;
        area[1] = p.y;
        area[2] = p.width;
        area[3] = p.height;
    }
    const bool nullStroke = random_.chance(0.04);
    const VkMaskRect stroke = placedRect(area, false);
    const uint8_t newStatus =
        random_.chance(0.85) ? random_.pick<uint8_t>({1, 2, 4, 8, 0x10, 0x20}) : random_.byte();
    const uint8_t from =
        random_.chance(0.8) ? random_.pick<uint8_t>({15, 0x10, 0x20, 1, 6, 7}) : random_.byte();
    const int32_t scope = random_.chance(0.9) ? random_.between(0, 2)
                                              : random_.pick<int32_t>({3, -1, 4, kIntMin, kIntMax});
    const float tolerance = random_.floatIn(0.0f, 8.0f);
    const VkProgressFunction progress = random_.chance(0.8) ? vardekProgressCallback : nullptr;

    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (nullStroke || !readable(stroke) || std::isnan(tolerance) || scope < 0 || scope > 2 ||
             !meets(*image.value, stroke))
        allowed = {VkNotSupported};
    else if (scope != VkScopeExact && !hasSegmentation(*session.live))
        allowed = {VkNoSegmentation};
    else if (!viewMatches(*session.live, *image.live))
        allowed = {VkNotSupported};
    else
        allowed = {VkOk, VkCancelled};

    StatusChange change;
    change.allowed = true;
    change.engine = session.live ? session.live->engine : nullptr;
    change.image = image.value;
    change.boxOf = session.value;
    // Forced-edge and protection edits are not recorded for undo.
    change.recorded = newStatus != VkStatusForcedEdge && newStatus != VkStatusPatchProtection &&
                      from != VkStatusForcedEdge && from != VkStatusPatchProtection;
    statusCall("VkSelect", change, session.live ? session.value : nullptr, allowed, [&] {
        return VkSelect(session.value, image.value, nullStroke ? nullptr : &stroke, newStatus, from,
                        scope, tolerance, progress);
    });
}

void CallFuzzer::callAutoComplex() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    const float band = random_.floatIn(0.0f, 4.0f);
    const VkProgressFunction progress = random_.chance(0.8) ? vardekProgressCallback : nullptr;
    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (!hasSegmentation(*session.live))
        allowed = {VkNoSegmentation};
    else if (!viewMatches(*session.live, *image.live))
        allowed = {VkNotSupported};
    else
        allowed = {VkOk, VkCancelled};
    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        session.value};
    statusCall("VkAutoComplex", change, session.live ? session.value : nullptr, allowed,
               [&] { return VkAutoComplex(session.value, image.value, band, progress); });
}

void CallFuzzer::callDespeckle() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    const uint8_t size = random_.byte();
    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (!hasSegmentation(*session.live))
        allowed = {VkNoSegmentation};
    else if (!viewMatches(*session.live, *image.live))
        allowed = {VkNotSupported};
    else
        allowed = {VkOk, VkCancelled};
    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        session.value};
    statusCall("VkDespeckleSelection", change, session.live ? session.value : nullptr, allowed,
               [&] { return VkDespeckleSelection(session.value, image.value, size); });
}

void CallFuzzer::callAutoFill() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    const bool withRect = random_.chance(0.5);
    int32_t area[4] = {0, 0, 16, 16};
    if (image.live) {
        area[2] = image.live->handle->width;
        area[3] = image.live->handle->height;
    }
    const VkMaskRect placed = placedRect(area, false);
    const VkRect rect{placed.x, placed.y, placed.width, placed.height};
    const uint8_t seed = random_.chance(0.85) ? random_.pick<uint8_t>({0, 2, 4}) : random_.byte();
    const float radius = random_.floatIn(0.0f, 3.0f);
    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if ((seed != 0 && seed != 2 && seed != 4) || (withRect && session.live->isSub))
        allowed = {VkNotSupported};
    else if (!viewMatches(*session.live, *image.live))
        allowed = {VkNotSupported};
    else
        allowed = {VkOk, VkNotSupported, VkCancelled};
    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        session.value};
    statusCall("VkAutoFill", change, session.live ? session.value : nullptr, allowed, [&] {
        return VkAutoFill(session.value, image.value, withRect ? &rect : nullptr, seed, radius);
    });
}

void CallFuzzer::callSetStatus() {
    const SessionArg session = pickSession();
    const ImageArg image = pickImage(session);
    int32_t area[4] = {0, 0, 16, 16};
    if (session.live) {
        const VkSession& p = *session.live->handle;
        area[0] = p.x;
        area[1] = p.y;
        area[2] = p.width;
        area[3] = p.height;
    }
    const bool nullRecord = random_.chance(0.04);
    const VkMaskRect bytes = placedRect(area, true);
    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (nullRecord || !bytes.data || !readable(bytes) || !meets(*image.value, bytes) ||
             marksWhereItMeets(*image.value, bytes))
        allowed = {VkNotSupported};
    else
        allowed = {VkOk, VkCancelled};
    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        session.value};
    statusCall("VkSetStatus", change, session.live ? session.value : nullptr, allowed, [&] {
        return VkSetStatus(session.value, image.value, nullRecord ? nullptr : &bytes);
    });
}

void CallFuzzer::callPullOrPush(bool push) {
    SessionArg session = pickSession();
    std::vector<SessionModel*> subs;
    for (const auto& s : sessions_)
        if (s->isSub) subs.push_back(s.get());
    if (!subs.empty() && random_.chance(0.7)) {
        SessionModel* s = random_.pick(subs);
        session = {s->handle, s};
    }
    const ImageArg image = pickImage(session);
    SessionModel* parent = session.live ? findSession(session.live->parent) : nullptr;
    std::vector<VkResult> allowed;
    if (VkResult code = handleCode(session, &image))
        allowed = {code};
    else if (!parent)
        allowed = {VkBadSession}; // not a sub-session, or its parent ended
    else
        allowed = {VkOk, VkNotSupported};
    StatusChange change{true, session.live ? session.live->engine : nullptr, image.value,
                        push ? (parent ? parent->handle : nullptr) : session.value};
    VkSession* queue =
        push ? (parent ? parent->handle : nullptr) : (session.live ? session.value : nullptr);
    statusCall(push ? "VkSubSessionPush" : "VkSubSessionPull", change, queue, allowed, [&] {
        return push ? VkSubSessionPush(session.value, image.value)
                    : VkSubSessionPull(session.value, image.value);
    });
}

} // namespace fuzz
