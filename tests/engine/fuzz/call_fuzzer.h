// A randomised run of the engine's call interface: every entry function in
// random order with valid, extreme and invalid arguments, over engines,
// sessions, sub-sessions and status images it keeps a model of. After each
// call it checks the result code, the caller's memory and the status images.
#ifndef TESTS_ENGINE_FUZZ_CALL_FUZZER_H
#define TESTS_ENGINE_FUZZ_CALL_FUZZER_H

#include "fuzz_random.h"
#include "guarded_buffer.h"

#include "api/vardek.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace test_support {
class ProgressRecorder;
}

namespace fuzz {

// How often each entry function answered with each code.
using ResultTally = std::map<std::string, std::map<VkResult, uint64_t>>;

// What one round did: the calls it made and the first check that failed.
struct RoundResult {
    uint64_t calls = 0;
    std::string failure; // empty when every check held
    ResultTally tally;
};

// The entry function running now, for the note printed when the process dies
// inside one; null between calls.
const char* callInProgress();

class CallFuzzer {
public:
    explicit CallFuzzer(uint64_t seed);
    ~CallFuzzer();
    CallFuzzer(const CallFuzzer&) = delete;
    CallFuzzer& operator=(const CallFuzzer&) = delete;

    // Makes up to `calls` calls, stopping at the first failed check; then
    // finishes every engine still alive.
    RoundResult run(int calls);

private:
    struct EngineModel {
        VkEngine* handle;
    };
    struct ImageModel {
        VkImage* handle;
        VkEngine* engine;
    };
    struct SessionModel {
        VkSession* handle;
        VkEngine* engine;
        VkSession* parent; // null over a whole image, and once the parent has ended
        bool isSub;        // begun by VkBeginSubSession
        bool forAnalysis;  // a session over a whole image, or a sub-session begun for analysis
        std::shared_ptr<CallerImage> pixels; // the engine reads them for the session's life
    };

    // A handle argument: the value passed and the live object it names, if any.
    struct EngineArg {
        VkEngine* value;
        EngineModel* live;
    };
    struct SessionArg {
        VkSession* value;
        SessionModel* live;
    };
    struct ImageArg {
        VkImage* value;
        ImageModel* live;
    };

    // Which status images a call may change, and the session whose published
    // changed box must hold every change.
    struct StatusChange {
        bool allowed = false;
        VkEngine* engine = nullptr;  // only images of this engine
        VkImage* image = nullptr;    // only this image (null: any image of the engine)
        VkSession* boxOf = nullptr;  // the session that publishes the box
        VkSession* undoOn = nullptr; // the session whose queue took the change
        bool groupOpened = false;    // a group was opened on undoOn just before the call
        bool recorded = true;        // false for edits the engine records no undo step for
    };
    using StatusSnapshot = std::vector<std::pair<VkImage*, std::vector<uint8_t>>>;

    // The calls, one per entry function.
    void callInit();
    void callFinish();
    void callNewStatusImage();
    void callBeginSession();
    void callBeginSubSession();
    void callEndSession();
    void callSetAnalysisOptions();
    void callAnalyseImage();
    void callSelect();
    void callAutoComplex();
    void callDespeckle();
    void callAutoFill();
    void callSetStatus();
    void callPullOrPush(bool push);
    void callUndoGroupOrMove();
    void callCounts();
    void callSetVariable();
    void callGetVariable();
    void callScaleImage();
    void callGenerateMask();

    // Handle arguments: mostly live, sometimes null, destroyed, of another
    // engine or memory that was never a handle.
    EngineArg pickEngine();
    SessionArg pickSession();
    ImageArg pickImage(const SessionArg& session);
    SessionModel* findSession(VkSession* handle);
    ImageModel* findImage(VkImage* handle);
    EngineModel* findEngine(VkEngine* handle);

    // Caller memory and rectangles.
    int imageSide();
    std::shared_ptr<CallerImage> newCallerImage(int32_t width, int32_t height, int32_t kind);
    // A placed image over `area` (x, y, width, height): inside it, crossing
    // its border, far outside or at the ends of the int range; its bytes (when
    // it has some) are real caller memory of rowBytes x height bytes.
    VkMaskRect placedRect(const int32_t area[4], bool statusBytes);
    bool hasSegmentation(const SessionModel& s);

    // Whether a status operation sees the whole status image the session's
    // selection map covers (else it refuses with VkNotSupported).
    bool viewMatches(const SessionModel& s, const ImageModel& image) const;

    // The common frame of a call: a progress recorder that may answer cancel,
    // the snapshots before, and the checks after.
    void beginCall(const char* name);
    void endCall();
    void expectResult(VkResult result, const std::vector<VkResult>& allowed);
    // A status-changing call: an undo group opened first on `queue` most of
    // the time (as the application does), the call, the checks of the status
    // images, and now and then an undo and a redo that must restore them.
    void statusCall(const char* name, const StatusChange& change, VkSession* queue,
                    const std::vector<VkResult>& allowed, const std::function<VkResult()>& call);
    void checkUndoRestores(const StatusSnapshot& before, VkSession* queue, uint32_t groups);
    bool sameStatus(const StatusSnapshot& expected, const char* when);
    // The code the handles give, or VkOk when they resolve.
    VkResult handleCode(const SessionArg& s, const ImageArg* image) const;
    StatusSnapshot snapshotStatus() const;
    void checkStatus(const StatusSnapshot& before, VkResult result, const StatusChange& change);
    void checkCallerMemory();
    void fail(const std::string& what);

    // Model upkeep when objects die.
    void sessionEnded(VkSession* handle);
    void engineFinished(VkEngine* handle);

    FuzzRandom random_;
    std::vector<std::unique_ptr<EngineModel>> engines_;
    std::vector<std::unique_ptr<ImageModel>> images_;
    std::vector<std::unique_ptr<SessionModel>> sessions_;
    std::vector<VkEngine*> deadEngines_;
    std::vector<VkSession*> deadSessions_;
    std::vector<VkImage*> deadImages_;
    // Caller memory the current call reads and may not write, and the one
    // image whose pixels (not padding) it may write on success.
    std::vector<std::shared_ptr<CallerImage>> readOnly_;
    std::vector<std::shared_ptr<GuardedBuffer>> readOnlyBytes_;
    std::shared_ptr<CallerImage> writable_;
    bool writableWritten_ = false;

    const char* call_ = "";
    uint64_t calls_ = 0;
    int cancelAt_ = -1; // the progress call answered with cancel, or -1
    std::unique_ptr<test_support::ProgressRecorder> progress_;
    std::string failure_;
    ResultTally tally_;
};

} // namespace fuzz

#endif
