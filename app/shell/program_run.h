// How one run of the program begins and ends: the run mode chosen by the
// command line, the answer the user gave when the window closed (the result
// code), and the process exit code that tells a host what became of its image.
//
// Exit codes: 0 the result was applied (or the about box ran); 1 the user
// discarded the changes and 2 there was nothing to apply (host bridge);
// 11 out of memory and 12 any other failure while starting, running or
// handing the result back; 255 a crash (crash_guard.h). Standalone and
// control-file runs otherwise exit with the event loop's code.
#ifndef APP_SHELL_PROGRAM_RUN_H
#define APP_SHELL_PROGRAM_RUN_H

#include "files/main_window_hooks.h"

#include <QString>

#include <functional>

// What the command line asks for. The first argument after the program
// decides, compared exactly: "--about" alone shows the about box; "--gp" with
// seven further arguments is the host bridge; "--xmlgp" with one file name is
// the control file; anything else runs standalone (a further argument is the
// file to open).
struct ProgramStart {
    bool aboutBox = false;
    int mode = StandaloneMode;
};
ProgramStart programStartOf(int argc, const char* const* argv);

// The user's answer when the work ends. Undecided until the close protocol
// asks; only an explicit Apply lets the result reach the host or the output file.
enum ResultCode {
    ResultUndecided = -1,
    ResultApply = 0,
    ResultDiscarded = 1,
    ResultNothingToApply = 2
};

enum ExitCode { ExitOutOfMemory = 11, ExitFailure = 12, ExitCrash = 255 };

// Inside a catch block: 11 for std::bad_alloc, 12 for anything else.
int exitCodeOfCurrentException() noexcept;
// Inside a catch block: what was thrown, as text for the log.
QString describeCurrentException();

// The steps of one run, in order: init, run (the event loop, answering its
// exit code), then the result code, and, only when that is Apply, handing the
// result back (answering false when it could not be written).
struct ProgramSteps {
    std::function<void()> init;
    std::function<int()> run;
    std::function<int()> resultCode;
    std::function<bool()> deliverResult;
};

// Runs the steps and answers the exit code. An exception from any step is
// logged and gives 11 or 12; nothing is handed back then. Host bridge: the
// result code, 2 while undecided, 12 when Apply could not be delivered.
// Control file: the event loop's code, 12 when Apply could not be delivered.
// Standalone: the event loop's code.
int runProgram(int mode, const ProgramSteps& steps);

#endif
