#include "shell/program_run.h"

#include "shell/services/logger.h"

#include <cstring>
#include <exception>
#include <new>

ProgramStart programStartOf(int argc, const char* const* argv) {
    ProgramStart start;
    if (argc < 2 || !argv || !argv[1]) return start;
    const char* first = argv[1];
    if (argc == 2 && std::strcmp(first, "--about") == 0) {
        start.aboutBox = true;
    } else if (argc == 9 && std::strcmp(first, "--gp") == 0) {
        start.mode = HostBridgeMode;
    } else if (argc == 3 && std::strcmp(first, "--xmlgp") == 0) {
        start.mode = ControlFileMode;
    }
    return start;
}

int exitCodeOfCurrentException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return ExitOutOfMemory;
    } catch (...) {
        return ExitFailure;
    }
}

QString describeCurrentException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (const QString& text) {
        return text;
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

namespace {

int failedWith(const char* step) {
    const int code = exitCodeOfCurrentException();
    try {
        logStream() << step << " failed: " << describeCurrentException() << " (exit code " << code
                    << ")" << endLogLine;
    } catch (...) {
        // Out of memory even for the log line: the exit code still tells.
    }
    return code;
}

} // namespace

int runProgram(int mode, const ProgramSteps& steps) {
    int loopCode = 0;
    try {
        steps.init();
    } catch (...) {
        return failedWith("Start-up");
    }
    try {
        loopCode = steps.run();
    } catch (...) {
        return failedWith("Run");
    }

    const int result = steps.resultCode ? steps.resultCode() : ResultUndecided;
    if (mode != StandaloneMode && result == ResultApply) {
        try {
            if (!steps.deliverResult || !steps.deliverResult()) {
                logStream() << "The result could not be handed back" << endLogLine;
                return ExitFailure;
            }
        } catch (...) {
            return failedWith("Handing the result back");
        }
    }
    if (mode == HostBridgeMode) return result == ResultUndecided ? ResultNothingToApply : result;
    return loopCode;
}
