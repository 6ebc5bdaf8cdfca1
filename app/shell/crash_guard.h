// The crash guard: when the program faults (segmentation fault, bus error,
// illegal instruction, arithmetic error, abort) it writes a dump beside the
// run's log, shows the user a short message and ends the process with exit
// code 255. At the next start the main window offers the dump and its log as
// a problem report (shell/services/problem_reports.h).
//
// The handler runs on an alternate stack, so a stack overflow is caught too,
// and uses only what is safe inside a signal handler: everything it needs
// (the dump path, the message program's path, the backtrace machinery) is
// made ready when the guard is installed. It writes the dump (owner-only:
// the signal, the fault address and a backtrace), starts the message program
// and waits for it, and exits. It runs once: a fault while it runs, or a
// second one on another thread, takes the system's default action.
#ifndef APP_SHELL_CRASH_GUARD_H
#define APP_SHELL_CRASH_GUARD_H

#include <QByteArray>

namespace crash_guard {

// The file name of the message program, in the program's own folder.
extern const char* const kMessageProgramName;

// The message program beside the running program (its folder read from
// /proc/self/exe); empty when that folder cannot be found.
QByteArray messageProgramBesideProgram();

// Installs the guard for the process, with the alternate stack for the
// calling thread. `dumpPath` is where the dump goes (the run's log base name
// with ".dmp"); `messageProgram` is run without arguments after the dump is
// written (none when empty). False when a path is too long to keep or the
// handlers could not be installed. Installing again replaces the paths.
bool install(const QByteArray& dumpPath, const QByteArray& messageProgram);

} // namespace crash_guard

#endif
