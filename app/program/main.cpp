// The program's entry: chooses the run from the command line, guards it
// against crashes, runs it and answers the exit code (shell/program_run.h).
#include "shell/about_box.h"
#include "shell/crash_guard.h"
#include "shell/program_run.h"
#include "shell/services/logger.h"
#include "shell/zt_app_stand_alone.h"

#include <QFile>

namespace {

int runApplication(int& argc, char** argv, int mode) {
    ZtAppStandAlone app(mode);
    // The dump is named after this run's log, which the application object's logger writes.
    if (!crash_guard::install(QFile::encodeName(crashDumpPath()),
                              crash_guard::messageProgramBesideProgram()))
        logStream() << "The crash guard could not be installed" << endLogLine;

    ProgramSteps steps;
    steps.init = [&] { app.init(argc, argv); };
    steps.run = [&] { return app.run(); };
    steps.resultCode = [&] { return app.resultCode(); };
    steps.deliverResult = [&] { return app.deliverResult(); };
    return runProgram(mode, steps);
}

} // namespace

int main(int argc, char** argv) {
    const ProgramStart start = programStartOf(argc, argv);
    try {
        // The about box on its own, without the application object; it makes
        // the Qt application it needs.
        if (start.aboutBox) return showAboutBoxFromCommandLine();
        return runApplication(argc, argv, start.mode);
    } catch (...) {
        return exitCodeOfCurrentException();
    }
}
