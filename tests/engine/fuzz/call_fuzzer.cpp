// The fuzzer's frame: the round, the model of live and dead handles, and the
// checks made after every call.
#include "call_fuzzer.h"

#include "support/progress_recorder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace fuzz {
namespace {

std::atomic<const char*> running{nullptr};

// Memory that never was a handle: zeros, and words that hold the value a live
// object's signature has.
int32_t* neverAHandle(bool lookAlive) {
    static int32_t zeros[64] = {};
    static int32_t alive[64];
    static const bool filled = [] {
        std::fill(std::begin(alive), std::end(alive), -5);
        return true;
    }();
    (void)filled;
    return lookAlive ? alive : zeros;
}

template <class T> void keepLast(std::vector<T*>& pool, T* value) {
    pool.push_back(value);
    if (pool.size() > 32) pool.erase(pool.begin());
}

} // namespace

const char* callInProgress() {
    return running.load();
}

CallFuzzer::CallFuzzer(uint64_t seed) : random_(seed) {}

CallFuzzer::~CallFuzzer() {
    // A failed round may leave engines behind; a failed engine refuses to
    // finish and is left to the leak report, which then names it.
    for (const auto& engine : engines_)
        VkFinish(engine->handle);
}

RoundResult CallFuzzer::run(int calls) {
    using Call = void (CallFuzzer::*)();
    struct Weighted {
        int weight;
        Call call;
    };
    static const Weighted table[] = {
        {3, &CallFuzzer::callInit},
        {1, &CallFuzzer::callFinish},
        {9, &CallFuzzer::callNewStatusImage},
        {5, &CallFuzzer::callBeginSession},
        {5, &CallFuzzer::callBeginSubSession},
        {3, &CallFuzzer::callEndSession},
        {4, &CallFuzzer::callSetAnalysisOptions},
        {6, &CallFuzzer::callAnalyseImage},
        {14, &CallFuzzer::callSelect},
        {4, &CallFuzzer::callAutoComplex},
        {4, &CallFuzzer::callDespeckle},
        {5, &CallFuzzer::callAutoFill},
        {8, &CallFuzzer::callSetStatus},
        {6, &CallFuzzer::callUndoGroupOrMove},
        {2, &CallFuzzer::callCounts},
        {5, &CallFuzzer::callSetVariable},
        {2, &CallFuzzer::callGetVariable},
        {4, &CallFuzzer::callScaleImage},
        {8, &CallFuzzer::callGenerateMask},
    };
    int total = 0;
    for (const Weighted& w : table)
        total += w.weight;
    // Most rounds start with an engine, a session and its status image, so
    // that the calls reach the operations rather than only the checks.
    if (random_.chance(0.9)) {
        callInit();
        if (!engines_.empty()) {
            beginCall("VkBeginSession");
            const int32_t width = imageSide(), height = imageSide();
            auto pixels = newCallerImage(width, height, VkKindRgba8);
            readOnly_.push_back(pixels);
            VkSession* session =
                VkBeginSession(engines_[0]->handle, width, height, pixels->rowBytes, VkKindRgba8,
                               pixels->buffer.data());
            if (!session && cancelAt_ < 0) fail("no session for a valid image");
            if (session)
                sessions_.push_back(std::make_unique<SessionModel>(
                    SessionModel{session, engines_[0]->handle, nullptr, false, true, pixels}));
            endCall();
            callNewStatusImage();
        }
    }
    for (int i = 0; i < calls && failure_.empty(); ++i) {
        // The caller memory of the previous call is released.
        readOnlyBytes_.clear();
        writable_.reset();
        writableWritten_ = false;
        if (random_.chance(0.03)) {
            callPullOrPush(random_.chance(0.5));
            continue;
        }
        int k = random_.between(0, total - 1);
        for (const Weighted& w : table) {
            if (k < w.weight) {
                (this->*w.call)();
                break;
            }
            k -= w.weight;
        }
    }
    // Everything left is finished, which must succeed for every engine.
    while (failure_.empty() && !engines_.empty()) {
        VkEngine* engine = engines_.back()->handle;
        beginCall("VkFinish");
        const StatusSnapshot before = snapshotStatus();
        const VkResult r = VkFinish(engine);
        expectResult(r, {VkOk});
        if (r == VkOk) engineFinished(engine);
        checkStatus(before, r, StatusChange{});
        endCall();
        if (r != VkOk) break;
    }
    return {calls_, failure_, tally_};
}

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------
CallFuzzer::EngineModel* CallFuzzer::findEngine(VkEngine* handle) {
    for (const auto& e : engines_)
        if (e->handle == handle) return e.get();
    return nullptr;
}

CallFuzzer::SessionModel* CallFuzzer::findSession(VkSession* handle) {
    for (const auto& s : sessions_)
        if (s->handle == handle) return s.get();
    return nullptr;
}

CallFuzzer::ImageModel* CallFuzzer::findImage(VkImage* handle) {
    for (const auto& i : images_)
        if (i->handle == handle) return i.get();
    return nullptr;
}

CallFuzzer::EngineArg CallFuzzer::pickEngine() {
    if (!engines_.empty() && random_.chance(0.75)) {
        EngineModel* e = engines_[random_.between(0, static_cast<int>(engines_.size()) - 1)].get();
        return {e->handle, e};
    }
    VkEngine* value = nullptr;
    const int kind = random_.between(0, 2);
    if (kind == 1 && !deadEngines_.empty()) value = random_.pick(deadEngines_);
    if (kind == 2) value = reinterpret_cast<VkEngine*>(neverAHandle(random_.chance(0.5)));
    // A destroyed engine's address may belong to a new one by now.
    return {value, findEngine(value)};
}

CallFuzzer::SessionArg CallFuzzer::pickSession() {
    if (!sessions_.empty() && random_.chance(0.9)) {
        SessionModel* s =
            sessions_[random_.between(0, static_cast<int>(sessions_.size()) - 1)].get();
        return {s->handle, s};
    }
    VkSession* value = nullptr;
    const int kind = random_.between(0, 2);
    if (kind == 1 && !deadSessions_.empty()) value = random_.pick(deadSessions_);
    if (kind == 2) value = reinterpret_cast<VkSession*>(neverAHandle(random_.chance(0.5)));
    return {value, findSession(value)};
}

CallFuzzer::ImageArg CallFuzzer::pickImage(const SessionArg& session) {
    std::vector<ImageModel*> own, fitting, other;
    for (const auto& i : images_) {
        const bool mine = session.live && i->engine == session.live->engine;
        (mine ? own : other).push_back(i.get());
        if (mine && viewMatches(*session.live, *i)) fitting.push_back(i.get());
    }
    if (!own.empty() && random_.chance(0.9)) {
        ImageModel* i = random_.pick(!fitting.empty() && random_.chance(0.8) ? fitting : own);
        return {i->handle, i};
    }
    if (!other.empty() && random_.chance(0.5)) {
        ImageModel* i = random_.pick(other);
        return {i->handle, i};
    }
    VkImage* value = nullptr;
    const int kind = random_.between(0, 2);
    if (kind == 1 && !deadImages_.empty()) value = random_.pick(deadImages_);
    if (kind == 2) value = reinterpret_cast<VkImage*>(neverAHandle(random_.chance(0.5)));
    return {value, findImage(value)};
}

VkResult CallFuzzer::handleCode(const SessionArg& s, const ImageArg* image) const {
    if (image && !image->live) return VkBadImage;
    if (!s.live) return VkBadSession;
    if (image && image->live->engine != s.live->engine) return VkBadImage;
    return VkOk;
}

bool CallFuzzer::hasSegmentation(const SessionModel& s) {
    if (s.forAnalysis) return s.handle->analysed != 0;
    const SessionModel* parent = findSession(s.parent);
    return parent && parent->handle->analysed != 0;
}

bool CallFuzzer::viewMatches(const SessionModel& s, const ImageModel& image) const {
    const VkSession& r = *s.handle;
    if (!s.isSub) return r.width == image.handle->width && r.height == image.handle->height;
    return int64_t{r.x} + r.width <= image.handle->width &&
           int64_t{r.y} + r.height <= image.handle->height;
}

void CallFuzzer::sessionEnded(VkSession* handle) {
    for (const auto& s : sessions_)
        if (s->parent == handle) s->parent = nullptr;
    sessions_.erase(std::remove_if(sessions_.begin(), sessions_.end(),
                                   [&](const auto& s) { return s->handle == handle; }),
                    sessions_.end());
    keepLast(deadSessions_, handle);
}

void CallFuzzer::engineFinished(VkEngine* handle) {
    for (const auto& s : sessions_)
        if (s->engine == handle) keepLast(deadSessions_, s->handle);
    sessions_.erase(std::remove_if(sessions_.begin(), sessions_.end(),
                                   [&](const auto& s) { return s->engine == handle; }),
                    sessions_.end());
    for (const auto& i : images_)
        if (i->engine == handle) keepLast(deadImages_, i->handle);
    images_.erase(std::remove_if(images_.begin(), images_.end(),
                                 [&](const auto& i) { return i->engine == handle; }),
                  images_.end());
    engines_.erase(std::remove_if(engines_.begin(), engines_.end(),
                                  [&](const auto& e) { return e->handle == handle; }),
                   engines_.end());
    keepLast(deadEngines_, handle);
}

// ---------------------------------------------------------------------------
// The frame of a call and its checks
// ---------------------------------------------------------------------------
void CallFuzzer::beginCall(const char* name) {
    call_ = name;
    running.store(name);
    ++calls_;
    static const bool trace = std::getenv("VARDEK_FUZZ_TRACE") != nullptr;
    if (trace)
        std::fprintf(stderr, "call %llu: %s\n", static_cast<unsigned long long>(calls_), name);
    // Now and then the progress function answers cancel at one of its calls.
    cancelAt_ = random_.chance(0.12) ? random_.between(0, 40) : -1;
    progress_ = std::make_unique<test_support::ProgressRecorder>();
    progress_->answer = [this](int index, int) { return index == cancelAt_ ? 2 : 0; };
    // The pixels of every session are read by the engine and never written.
    readOnly_.clear();
    for (const auto& s : sessions_)
        if (std::find(readOnly_.begin(), readOnly_.end(), s->pixels) == readOnly_.end())
            readOnly_.push_back(s->pixels);
}

void CallFuzzer::endCall() {
    progress_.reset();
    checkCallerMemory();
    readOnly_.clear();
    running.store(nullptr);
}

void CallFuzzer::fail(const std::string& what) {
    if (!failure_.empty()) return;
    std::ostringstream out;
    out << "call " << calls_ << " (" << call_ << "): " << what;
    failure_ = out.str();
}

void CallFuzzer::expectResult(VkResult result, const std::vector<VkResult>& allowed) {
    ++tally_[call_][result];
    if (result == VkCancelled && cancelAt_ < 0) {
        fail("cancelled, but the progress function never answered cancel");
        return;
    }
    if (std::find(allowed.begin(), allowed.end(), result) != allowed.end()) return;
    std::ostringstream out;
    out << "result " << result << ", expected one of";
    for (VkResult r : allowed)
        out << " " << r;
    fail(out.str());
}

void CallFuzzer::checkCallerMemory() {
    for (const auto& image : readOnly_)
        if (const auto at = image->buffer.firstChangeOutside())
            fail("read-only caller pixels written at byte " + std::to_string(*at));
    for (const auto& bytes : readOnlyBytes_)
        if (const auto at = bytes->firstChangeOutside())
            fail("read-only caller bytes written at byte " + std::to_string(*at));
    if (writable_) {
        const auto at = writableWritten_ ? writable_->firstChangeOutsidePixels()
                                         : writable_->buffer.firstChangeOutside();
        if (at)
            fail(std::string(writableWritten_ ? "caller row padding or guard" : "caller pixels") +
                 " written at byte " + std::to_string(*at));
    }
}

CallFuzzer::StatusSnapshot CallFuzzer::snapshotStatus() const {
    StatusSnapshot snapshot;
    for (const auto& image : images_) {
        const VkImage& r = *image->handle;
        std::vector<uint8_t> bytes(static_cast<std::size_t>(r.width) * r.height);
        for (int row = 0; row < r.height; ++row)
            std::copy_n(r.data + std::ptrdiff_t{row} * r.rowBytes, r.width,
                        bytes.begin() + std::ptrdiff_t{row} * r.width);
        snapshot.emplace_back(image->handle, std::move(bytes));
    }
    return snapshot;
}

void CallFuzzer::checkStatus(const StatusSnapshot& before, VkResult result,
                             const StatusChange& change) {
    for (const auto& [handle, bytes] : before) {
        const ImageModel* image = findImage(handle);
        if (!image) continue; // finished with its engine
        const VkImage& r = *handle;
        int r0 = r.height, c0 = r.width, r1 = -1, c1 = -1, firstRow = 0, firstColumn = 0;
        for (int row = 0; row < r.height; ++row)
            for (int column = 0; column < r.width; ++column)
                if (r.data[std::ptrdiff_t{row} * r.rowBytes + column] !=
                    bytes[std::size_t(row) * r.width + column]) {
                    if (r1 < 0) {
                        firstRow = row;
                        firstColumn = column;
                    }
                    r0 = std::min(r0, row);
                    r1 = std::max(r1, row);
                    c0 = std::min(c0, column);
                    c1 = std::max(c1, column);
                }
        if (r1 < 0) continue;
        std::ostringstream where;
        where << "status bytes rows " << r0 << ".." << r1 << ", columns " << c0 << ".." << c1
              << " (the first at " << firstRow << ", " << firstColumn << " from "
              << int(bytes[std::size_t(firstRow) * r.width + firstColumn]) << " to "
              << int(r.data[std::ptrdiff_t{firstRow} * r.rowBytes + firstColumn]) << ")";
        if (result != VkOk || !change.allowed) {
            fail(where.str() + " changed by a call that answered " + std::to_string(result) +
                 (change.allowed ? "" : " and changes no status"));
            return;
        }
        if (image->engine != change.engine || (change.image && handle != change.image)) {
            fail(where.str() + " changed in a status image the call was not given");
            return;
        }
        const SessionModel* s = findSession(change.boxOf);
        if (!s) continue;
        const VkSession& p = *s->handle;
        if (c0 < p.changedX || r0 < p.changedY ||
            int64_t{c1} >= int64_t{p.changedX} + p.changedWidth ||
            int64_t{r1} >= int64_t{p.changedY} + p.changedHeight) {
            where << " changed outside the published box x " << p.changedX << " y " << p.changedY
                  << " width " << p.changedWidth << " height " << p.changedHeight;
            fail(where.str());
            return;
        }
    }
}

bool CallFuzzer::sameStatus(const StatusSnapshot& expected, const char* when) {
    for (const auto& [handle, bytes] : expected) {
        if (!findImage(handle)) continue;
        const VkImage& r = *handle;
        for (int row = 0; row < r.height; ++row)
            for (int column = 0; column < r.width; ++column) {
                const uint8_t now = r.data[std::ptrdiff_t{row} * r.rowBytes + column];
                const uint8_t was = bytes[std::size_t(row) * r.width + column];
                if (now != was) {
                    std::ostringstream out;
                    out << when << ": status byte (" << row << ", " << column << ") is " << int(now)
                        << ", expected " << int(was);
                    fail(out.str());
                    return false;
                }
            }
    }
    return true;
}

namespace {

uint32_t undoGroups(VkSession* session) {
    uint32_t count = 0;
    VkNumAvailableUndo(session, &count);
    return count;
}

} // namespace

void CallFuzzer::statusCall(const char* name, const StatusChange& change, VkSession* queue,
                            const std::vector<VkResult>& allowed,
                            const std::function<VkResult()>& call) {
    StatusChange c = change;
    c.undoOn = queue;
    const uint32_t groupsBefore = queue ? undoGroups(queue) : 0;
    if (queue && random_.chance(0.8)) {
        beginCall("VkNewUndoGroup");
        expectResult(VkNewUndoGroup(queue), {VkOk});
        endCall();
        c.groupOpened = true;
    }
    beginCall(name);
    const StatusSnapshot before = snapshotStatus();
    const VkResult r = call();
    expectResult(r, allowed);
    checkStatus(before, r, c);
    endCall();
    // The groups the command added (its own, and any an operation opens for
    // itself), unless the queue is at its limit and dropped old ones.
    const uint32_t groupsAfter = queue && findSession(queue) ? undoGroups(queue) : 0;
    const bool counted = groupsBefore < 200 && groupsAfter < 200 && groupsAfter > groupsBefore;
    if (r == VkOk && c.groupOpened && c.recorded && counted && failure_.empty() &&
        random_.chance(0.35))
        checkUndoRestores(before, queue, groupsAfter - groupsBefore);
}

void CallFuzzer::checkUndoRestores(const StatusSnapshot& before, VkSession* queue,
                                   uint32_t groups) {
    const StatusSnapshot after = snapshotStatus();
    for (uint32_t g = 0; g < groups; ++g) {
        beginCall("VkUndo");
        expectResult(VkUndo(queue), {VkOk});
        endCall();
    }
    sameStatus(before, "after the undo");
    for (uint32_t g = 0; g < groups; ++g) {
        beginCall("VkRedo");
        expectResult(VkRedo(queue), {VkOk});
        endCall();
    }
    sameStatus(after, "after the redo");
}

} // namespace fuzz
