// How the command line chooses the run, and how the end of a run becomes the
// process exit code.
#include "shell/program_run.h"

#include <QString>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

namespace {

struct StartCase {
    std::vector<const char*> arguments; // after the program's name
    bool aboutBox;
    int mode;
};

TEST(ProgramStart, TheFirstArgumentAndTheCountChooseTheRun) {
    const std::vector<StartCase> cases = {
        {{}, false, StandaloneMode},
        {{"photo.png"}, false, StandaloneMode},
        {{"--about"}, true, StandaloneMode},
        {{"--about", "x"}, false, StandaloneMode},
        {{"--gp", "a", "b", "10", "20", "8", "little", "name"}, false, HostBridgeMode},
        {{"--gp", "a", "b", "10", "20", "8", "little", "name", "extra"}, false, StandaloneMode},
        {{"--gp", "a", "b", "10", "20", "8", "little"}, false, StandaloneMode},
        {{"--GP", "a", "b", "10", "20", "8", "little", "name"}, false, StandaloneMode},
        {{"--xmlgp", "job.oztx"}, false, ControlFileMode},
        {{"--xmlgp"}, false, StandaloneMode},
        {{"--xmlgp", "job.oztx", "more"}, false, StandaloneMode},
    };
    for (const StartCase& c : cases) {
        std::vector<const char*> argv{"cutout"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        argv.push_back(nullptr);
        const ProgramStart start = programStartOf(int(argv.size()) - 1, argv.data());
        SCOPED_TRACE(testing::Message() << "arguments: " << argv.size() - 2);
        SCOPED_TRACE(testing::Message()
                     << "first: " << (c.arguments.empty() ? "" : c.arguments[0]));
        EXPECT_EQ(start.aboutBox, c.aboutBox);
        EXPECT_EQ(start.mode, c.mode);
    }
}

template <typename Thrown> int exitCodeOfThrowing(Thrown thrown) {
    try {
        throw thrown;
    } catch (...) {
        return exitCodeOfCurrentException();
    }
}

TEST(ProgramExitCode, OutOfMemoryIsElevenAnyOtherExceptionTwelve) {
    EXPECT_EQ(exitCodeOfThrowing(std::bad_alloc()), 11);
    EXPECT_EQ(exitCodeOfThrowing(std::runtime_error("broken")), 12);
    EXPECT_EQ(exitCodeOfThrowing(QStringLiteral("Unable to open XML control file: x")), 12);
    EXPECT_EQ(exitCodeOfThrowing(42), 12);
}

// One run whose steps record what happened.
struct RecordedRun {
    int resultCode = ResultUndecided;
    int loopCode = 0;
    bool throwInInit = false;
    bool throwInRun = false;
    bool deliveryWorks = true;
    int deliveries = 0;

    ProgramSteps steps() {
        ProgramSteps s;
        s.init = [this] {
            if (throwInInit) throw std::bad_alloc();
        };
        s.run = [this] {
            if (throwInRun) throw QStringLiteral("failed");
            return loopCode;
        };
        s.resultCode = [this] { return resultCode; };
        s.deliverResult = [this] {
            ++deliveries;
            return deliveryWorks;
        };
        return s;
    }
};

struct OutcomeCase {
    const char* name;
    int mode;
    int resultCode;
    int loopCode;
    bool throwInInit;
    bool throwInRun;
    bool deliveryWorks;
    int exitCode;
    int deliveries;
};

TEST(ProgramExitCode, OnlyAnAppliedResultIsHandedBackAndTheExitCodeSaysHowItWent) {
    const OutcomeCase cases[] = {
        {"host: apply", HostBridgeMode, ResultApply, 0, false, false, true, 0, 1},
        {"host: discarded", HostBridgeMode, ResultDiscarded, 0, false, false, true, 1, 0},
        {"host: nothing to apply", HostBridgeMode, ResultNothingToApply, 0, false, false, true, 2,
         0},
        {"host: never asked", HostBridgeMode, ResultUndecided, 0, false, false, true, 2, 0},
        {"host: apply not delivered", HostBridgeMode, ResultApply, 0, false, false, false, 12, 1},
        {"host: out of memory at start", HostBridgeMode, ResultApply, 0, true, false, true, 11, 0},
        {"host: failure while running", HostBridgeMode, ResultApply, 0, false, true, true, 12, 0},
        {"control file: apply", ControlFileMode, ResultApply, 0, false, false, true, 0, 1},
        {"control file: discarded", ControlFileMode, ResultDiscarded, 0, false, false, true, 0, 0},
        {"control file: nothing", ControlFileMode, ResultNothingToApply, 0, false, false, true, 0,
         0},
        {"control file: not written", ControlFileMode, ResultApply, 0, false, false, false, 12, 1},
        {"control file: loop code", ControlFileMode, ResultUndecided, 3, false, false, true, 3, 0},
        {"standalone: loop code", StandaloneMode, ResultApply, 5, false, false, true, 5, 0},
        {"standalone: failure", StandaloneMode, ResultUndecided, 0, false, true, true, 12, 0},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedRun run;
        run.resultCode = c.resultCode;
        run.loopCode = c.loopCode;
        run.throwInInit = c.throwInInit;
        run.throwInRun = c.throwInRun;
        run.deliveryWorks = c.deliveryWorks;
        EXPECT_EQ(runProgram(c.mode, run.steps()), c.exitCode);
        EXPECT_EQ(run.deliveries, c.deliveries);
    }
}

TEST(ProgramExitCode, ADeliveryThatThrowsIsAFailure) {
    ProgramSteps steps;
    steps.init = [] {};
    steps.run = [] { return 0; };
    steps.resultCode = [] { return int(ResultApply); };
    steps.deliverResult = []() -> bool { throw std::bad_alloc(); };
    EXPECT_EQ(runProgram(HostBridgeMode, steps), 11);
}

} // namespace
