// Calls that set and read a session's settings, analyse it and move through
// its undo queue.
#include "call_fuzzer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace fuzz {
namespace {

const std::vector<const char*>& variableNames() {
    static const std::vector<const char*> names = {"imageTol",
                                                   "inFocusEdgeWidth",
                                                   "edgeContrast",
                                                   "textureFilter",
                                                   "interpolation",
                                                   "#resolution",
                                                   "#texture",
                                                   "#colourBits",
                                                   "#maxBits",
                                                   "featureTol",
                                                   "focus",
                                                   "overlap",
                                                   "t%",
                                                   "b-smooth",
                                                   "b-careful",
                                                   "b-greedy",
                                                   "v-mdPt",
                                                   "v-smplf",
                                                   "v-smth",
                                                   "BlendMode",
                                                   "fg sampling",
                                                   "bg sampling",
                                                   "noSuchVariable",
                                                   "",
                                                   nullptr};
    return names;
}

bool knownVariable(const char* name) {
    if (!name) return false;
    const auto& names = variableNames();
    return std::any_of(names.begin(), names.end() - 3,
                       [&](const char* n) { return std::strcmp(n, name) == 0; });
}

} // namespace

void CallFuzzer::callSetAnalysisOptions() {
    const SessionArg session = pickSession();
    VkAnalysisOptions options{random_.unit(), static_cast<uint32_t>(random_.between(1, 32)),
                              static_cast<uint8_t>(random_.between(0, 2)),
                              static_cast<uint8_t>(random_.between(0, 2))};
    const bool hostile = random_.chance(0.3);
    if (hostile) {
        switch (random_.between(0, 3)) {
        case 0:
            options.tolerance =
                random_.pick<float>({std::numeric_limits<float>::quiet_NaN(), -0.1f, 1.5f, 1e30f,
                                     -1e30f, -std::numeric_limits<float>::infinity()});
            break;
        case 1:
            options.edgeWidth = random_.pick<uint32_t>({0, 33, 1000, 4294967295u});
            break;
        case 2:
            options.contrast = static_cast<uint8_t>(random_.between(3, 255));
            break;
        default:
            options.texture = static_cast<uint8_t>(random_.between(3, 255));
            break;
        }
    }
    VkSession record{};
    if (session.live) record = *session.live->handle;
    beginCall("VkSetAnalysisOptions");
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = VkSetAnalysisOptions(session.value, options);
    const VkResult code = handleCode(session, nullptr);
    expectResult(r, {code ? code : hostile ? VkNotSupported : VkOk});
    if (session.live && r == VkOk) {
        const VkSession& now = *session.live->handle;
        if (now.tolerance != options.tolerance || now.edgeWidth != options.edgeWidth ||
            now.contrast != options.contrast || now.texture != options.texture)
            fail("the options are not published as given");
    }
    if (session.live && r != VkOk) {
        const VkSession& now = *session.live->handle;
        if (now.edgeWidth != record.edgeWidth || now.contrast != record.contrast ||
            now.texture != record.texture ||
            std::memcmp(&now.tolerance, &record.tolerance, sizeof(float)) != 0)
            fail("refused options changed the published ones");
    }
    checkStatus(before, r, StatusChange{});
    endCall();
}

void CallFuzzer::callAnalyseImage() {
    const SessionArg session = pickSession();
    const VkProgressFunction progress = random_.chance(0.75) ? vardekProgressCallback : nullptr;
    beginCall("VkAnalyseImage");
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = VkAnalyseImage(session.value, progress);
    if (VkResult code = handleCode(session, nullptr)) {
        expectResult(r, {code});
    } else if (!session.live->forAnalysis) {
        expectResult(r, {VkNoSegmentation});
    } else {
        expectResult(r, {VkOk, VkCancelled});
        const VkSession& s = *session.live->handle;
        if (r == VkOk && s.analysed != 1) fail("not analysed after a completed analysis");
        for (uint32_t i = 0; r == VkOk && i < s.polylineCount; ++i) {
            const VkPolyline& line = s.polylines[i];
            for (uint32_t k = 0; k < 2 * line.pointCount; ++k)
                if (!std::isfinite(line.points[k])) {
                    fail("an object-edge point is not finite");
                    break;
                }
        }
    }
    checkStatus(before, r, StatusChange{});
    endCall();
}

void CallFuzzer::callUndoGroupOrMove() {
    const SessionArg session = pickSession();
    const int which = random_.between(0, 2);
    const char* names[3] = {"VkNewUndoGroup", "VkUndo", "VkRedo"};
    beginCall(names[which]);
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = which == 0   ? VkNewUndoGroup(session.value)
                       : which == 1 ? VkUndo(session.value)
                                    : VkRedo(session.value);
    const VkResult code = handleCode(session, nullptr);
    expectResult(r, {code ? code : VkOk});
    StatusChange change;
    change.allowed = which != 0;
    change.engine = session.live ? session.live->engine : nullptr;
    change.boxOf = session.value;
    checkStatus(before, r, change);
    endCall();
}

void CallFuzzer::callCounts() {
    const SessionArg session = pickSession();
    const bool redo = random_.chance(0.5);
    const bool nullCount = random_.chance(0.1);
    uint32_t count = 12345;
    beginCall(redo ? "VkNumAvailableRedo" : "VkNumAvailableUndo");
    uint32_t* out = nullCount ? nullptr : &count;
    const VkResult r =
        redo ? VkNumAvailableRedo(session.value, out) : VkNumAvailableUndo(session.value, out);
    const VkResult code = handleCode(session, nullptr);
    expectResult(r, {code ? code : nullCount ? VkNotSupported : VkOk});
    if (r == VkOk && count > 200) fail("more than 200 groups");
    endCall();
}

void CallFuzzer::callSetVariable() {
    const SessionArg session = pickSession();
    const char* name = random_.pick(variableNames());
    const float value = random_.chance(0.6) ? random_.unit() : random_.extremeFloat();
    beginCall("VkSetVariable");
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = VkSetVariable(session.value, name, value);
    if (VkResult code = handleCode(session, nullptr))
        expectResult(r, {code});
    else if (session.live->isSub || !knownVariable(name) || !std::isfinite(value))
        expectResult(r, {VkNotSupported});
    else
        expectResult(r, {VkOk});
    if (session.live && session.live->forAnalysis) {
        // Every variable stays inside its range, whatever was set. (A
        // sub-session without analysis publishes no options.)
        const VkSession& s = *session.live->handle;
        if (s.edgeWidth < 1 || s.edgeWidth > 32 || s.contrast > 2 || s.texture > 2)
            fail("a published analysis option left its range");
        for (uint32_t i = 0; i < s.variableCount; ++i)
            if (!(s.variables[i].value >= 0.0f && s.variables[i].value <= 1.0f) ||
                !s.variables[i].text)
                fail("a variable record left [0, 1] or has no text");
    }
    checkStatus(before, r, StatusChange{});
    endCall();
}

void CallFuzzer::callGetVariable() {
    const SessionArg session = pickSession();
    const char* name = random_.pick(variableNames());
    const bool nullRecord = random_.chance(0.1);
    VkVariable variable{-1.0f, nullptr, nullptr};
    beginCall("VkGetVariable");
    const VkResult r = VkGetVariable(session.value, name, nullRecord ? nullptr : &variable);
    if (VkResult code = handleCode(session, nullptr))
        expectResult(r, {code});
    else if (nullRecord || !knownVariable(name))
        expectResult(r, {VkNotSupported});
    else
        expectResult(r, {VkOk});
    if (r == VkOk && (!variable.name || std::strcmp(variable.name, name) != 0 || !variable.text ||
                      !(variable.value >= 0.0f && variable.value <= 1.0f)))
        fail("the variable record is wrong");
    endCall();
}

} // namespace fuzz
