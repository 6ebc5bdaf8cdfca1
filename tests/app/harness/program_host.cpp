// A stand-in for the programs that run cutout as their worker, for the tests
// under a private X server (program_under_x.sh; not a test itself). It makes
// the host's shared-memory sections or a control file, starts cutout, finds
// its main window by its title, waits until the image it was given has been
// analysed, asks the window to close as a window manager would
// (WM_DELETE_WINDOW; xdotool cannot send that), and checks the exit code and
// what was written back. It also opens a photograph standalone, shows the
// about box on its own, and makes the program crash to see the dump offered
// at the next start.
//   program_host CUTOUT PHOTO
// Exits 0 when every case passed.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include "shell/product_version.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Titles of the windows the cases look for.
const char* const kMainTitle = "Zeltran 3";
const char* const kAboutTitle = "cutout";
const char* const kCrashTitle = "Ostral Zeltran 3";
const char* const kProblemReportsTitle = "Problem Reports Detected";
// The log line of a finished analysis: the document was opened and its engine runs.
const char* const kAnalysed = "Finding Edges in Image... - hasFinished";
const auto kPatience = std::chrono::seconds(60);

QString cutoutProgram;
QString photo;
QString scratch;
int failures = 0;

void check(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    if (!condition) ++failures;
}

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

bool hasPid(Display* display, Window window, pid_t pid) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
        found = pid_t(*reinterpret_cast<unsigned long*>(data)) == pid;
    if (data) XFree(data);
    return found;
}

bool hasTitle(Display* display, Window window, const char* title) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data)
        found = std::strstr(reinterpret_cast<char*>(data), title) != nullptr;
    if (data) XFree(data);
    return found;
}

bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// A shown window whose title holds `title`, of the process `pid` (any process when 0).
Window findWindow(Display* display, Window parent, pid_t pid, const char* title) {
    Window root, parentOut;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        const Window child = children[i];
        if ((pid == 0 || hasPid(display, child, pid)) && hasTitle(display, child, title) &&
            isViewable(display, child))
            found = child;
        else
            found = findWindow(display, child, pid, title);
    }
    if (children) XFree(children);
    return found;
}

// What a window manager sends when the user clicks the close button.
void askToClose(Display* display, Window window) {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// ---------------------------------------------------------------------------
// The program
// ---------------------------------------------------------------------------

struct Finished {
    bool exited = false; // on its own, with a code
    int code = -1;
};

pid_t start(const QStringList& arguments) {
    std::vector<QByteArray> bytes{QFile::encodeName(cutoutProgram)};
    for (const QString& argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    // Settings, logs and caches of the run stay in the scratch folder.
    const QByteArray home = QFile::encodeName(QDir(scratch).filePath("home"));
    QDir().mkpath(QString::fromLocal8Bit(home + "/runtime"));
    // The update and news checks wait until 2100: no run leaves the machine.
    {
        QSettings settings(QDir(scratch).filePath("home/config/OstralTech/Zeltran3.conf"),
                           QSettings::IniFormat);
        settings.setValue("UpdateSupressUntil", 4102444800u);
        settings.setValue("NewsSupressUntil", 4102444800u);
    }
    QFile::setPermissions(QString::fromLocal8Bit(home + "/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", home.constData(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/config").constData(), 1);
        ::setenv("XDG_CONFIG_DIRS", (home + "/machine").constData(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/data").constData(), 1);
        ::setenv("XDG_CACHE_HOME", (home + "/cache").constData(), 1);
        ::setenv("XDG_RUNTIME_DIR", (home + "/runtime").constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // The program draws without OpenGL. Qt's probe of it would load the
        // software GL driver, whose unloading at exit the leak checker of
        // sanitizer builds takes for a leak.
        ::setenv("QT_XCB_GL_INTEGRATION", "none", 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

Finished waitForEnd(pid_t pid) {
    Finished finished;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            std::printf("the program did not end and was killed\n");
            return finished;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    finished.exited = WIFEXITED(status);
    finished.code = finished.exited ? WEXITSTATUS(status) : -1;
    return finished;
}

Finished endedAs(int status) {
    Finished finished;
    finished.exited = WIFEXITED(status);
    finished.code = finished.exited ? WEXITSTATUS(status) : -1;
    return finished;
}

// Waits for a window of `pid` (any process when 0) titled `title`; 0 when the
// program `watched` ended first (its end in `early`) or the wait took too long.
Window waitForWindow(Display* display, pid_t pid, const char* title, pid_t watched,
                     Finished* early) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(watched, &status, WNOHANG) == watched) {
            std::printf("the program ended before the window \"%s\" showed\n", title);
            *early = endedAs(status);
            return 0;
        }
        if (const Window window = findWindow(display, DefaultRootWindow(display), pid, title))
            return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

QDir logFolder() {
    return QDir(QDir(scratch).filePath("home/data/OstralTech/Zeltran3/logs"));
}

// The newest log's name (they are named by their run's start time); empty when none.
QString newestLogName() {
    const QStringList names = logFolder().entryList({"*.txt"}, QDir::Files, QDir::Name);
    return names.isEmpty() ? QString() : names.last();
}

// The lines of the last run's log.
QString lastLog() {
    const QString name = newestLogName();
    if (name.isEmpty()) return QString();
    QFile file(logFolder().filePath(name));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

// Waits until a log newer than `before` holds `line`.
bool waitForLogLine(const QString& before, const char* line) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        const QString newest = newestLogName();
        if (newest > before && lastLog().contains(QLatin1String(line))) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Starts the program, waits for its window titled `title` and, when `logLine`
// is given, for that line in its log; then closes the window and waits for
// the program's end.
Finished runAndClose(Display* display, const QStringList& arguments, const char* title = kMainTitle,
                     const char* logLine = nullptr) {
    const QString logBefore = newestLogName();
    const pid_t pid = start(arguments);
    Finished early;
    const Window window = waitForWindow(display, pid, title, pid, &early);
    check(window != 0, std::string("the window \"") + title + "\" showed");
    if (!window) return early.exited ? early : waitForEnd(pid);
    if (logLine)
        check(waitForLogLine(logBefore, logLine), std::string("the log says \"") + logLine + "\"");
    askToClose(display, window);
    return waitForEnd(pid);
}

// ---------------------------------------------------------------------------
// Shared memory
// ---------------------------------------------------------------------------

// A section the program inherits: no close-on-exec.
int section(const QByteArray& bytes) {
    const int fd = ::memfd_create("host-section", 0);
    if (fd >= 0) {
        if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

QByteArray contents(int fd) {
    QByteArray bytes(int(::lseek(fd, 0, SEEK_END)), '\0');
    if (::pread(fd, bytes.data(), size_t(bytes.size()), 0) != bytes.size()) return QByteArray();
    return bytes;
}

QByteArray pattern(int bytes, int seed) {
    QByteArray result(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        result[i] = char((i * 37 + seed) & 0xff);
    return result;
}

void hostBridgeCases(Display* display) {
    struct Case {
        const char* name;
        int width;
        int height;
        int bits;
        const char* byteOrder;
        bool taken;
    };
    const Case cases[] = {
        {"8 bits", 40, 30, 8, "big", true},
        {"16 bits", 40, 30, 16, "little", true},
        {"sizes that do not fit the sections", 0, 30, 8, "big", false},
    };
    for (const Case& c : cases) {
        std::printf("-- host bridge, %s, closed without a word\n", c.name);
        const int bytes = 40 * 30 * 4 * c.bits / 8;
        const QByteArray sourceBytes = pattern(bytes, 1);
        const QByteArray resultBytes = pattern(bytes, 2);
        const int source = section(sourceBytes);
        const int result = section(resultBytes);
        check(source >= 0 && result >= 0, "the sections were made");
        // A taken image is open and analysed before the window closes.
        const Finished finished =
            runAndClose(display,
                        {"--gp", QString::number(result, 16), QString::number(source, 16),
                         QString::number(c.width), QString::number(c.height),
                         QString::number(c.bits), c.byteOrder, "Layer 1"},
                        kMainTitle, c.taken ? kAnalysed : nullptr);
        check(finished.exited && finished.code == 2,
              "exit code 2, nothing to apply (got " + std::to_string(finished.code) + ")");
        check(contents(result) == resultBytes, "the result section is untouched");
        check(contents(source) == sourceBytes, "the source section is untouched");
        check(lastLog().contains("Host image not taken") != c.taken,
              c.taken ? "the host's image was taken" : "the log says why no image was taken");
        ::close(source);
        ::close(result);
    }
}

// ---------------------------------------------------------------------------
// Control file
// ---------------------------------------------------------------------------

QString writeControlFile(const QString& folder, const QString& input, const QString& output) {
    const QString path = QDir(folder).filePath("job.oztx");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("<job><image id='imageIn' src='%1'/>"
                                  "<image id='imageOut' src='%2'/></job>")
                       .arg(input, output)
                       .toUtf8());
    return path;
}

void controlFileCases(Display* display) {
    const QString folder = QDir(scratch).filePath("job");
    QDir().mkpath(folder);
    QImage input(48, 32, QImage::Format_ARGB32);
    input.fill(QColor(200, 120, 40));
    input.save(QDir(folder).filePath("in.png"), "PNG");
    const QString output = QDir(folder).filePath("out.png");

    std::printf("-- control file, closed unchanged\n");
    Finished finished = runAndClose(
        display, {"--xmlgp", writeControlFile(folder, "in.png", "out.png")}, kMainTitle, kAnalysed);
    check(finished.exited && finished.code == 0,
          "exit code 0 (got " + std::to_string(finished.code) + ")");
    check(!QFile::exists(output), "no output was written");

    std::printf("-- control file, input that cannot be read\n");
    const pid_t pid = start({"--xmlgp", writeControlFile(folder, "missing.png", "out.png")});
    finished = waitForEnd(pid);
    check(finished.exited && finished.code == 12,
          "exit code 12 (got " + std::to_string(finished.code) + ")");
    check(!QFile::exists(output), "no output was written");
}

// ---------------------------------------------------------------------------
// Standalone, the about box, a crash
// ---------------------------------------------------------------------------

void standaloneCases(Display* display) {
    std::printf("-- standalone, a photograph\n");
    Finished finished = runAndClose(display, {photo}, kMainTitle, kAnalysed);
    check(finished.exited && finished.code == 0,
          "exit code 0 (got " + std::to_string(finished.code) + ")");
    // The about box's version text: one source of the number and the revision.
    const QString version = QStringLiteral("Version: %1.%2.%3 (%4); Linux")
                                .arg(kVersionMajor)
                                .arg(kVersionMinor)
                                .arg(kVersionPatch)
                                .arg(QLatin1String(kSourceRevision));
    check(lastLog().contains(version), "the log names the version and its source revision");

    std::printf("-- the about box on its own\n");
    finished = runAndClose(display, {"--about"}, kAboutTitle);
    check(finished.exited && finished.code == 0,
          "exit code 0 (got " + std::to_string(finished.code) + ")");
}

void crashCases(Display* display) {
    std::printf("-- a crash, then the next start\n");
    const QString logBefore = newestLogName();
    const pid_t pid = start({photo});
    Finished early;
    check(waitForWindow(display, pid, kMainTitle, pid, &early) != 0, "the main window showed");
    check(waitForLogLine(logBefore, kAnalysed), "the photograph was analysed");
    const QString runLog = newestLogName();
    // A fault on the user-interface thread (whose thread id is the process id).
    ::syscall(SYS_tgkill, pid, pid, SIGSEGV);
    const Window message = waitForWindow(display, 0, kCrashTitle, pid, &early);
    check(message != 0, "the crash message showed");
    if (message) askToClose(display, message);
    Finished finished = waitForEnd(pid);
    check(finished.exited && finished.code == 255,
          "exit code 255 (got " + std::to_string(finished.code) + ")");
    const QStringList dumps = logFolder().entryList({"*.dmp"}, QDir::Files);
    check(dumps.size() == 1, "one dump (found " + std::to_string(dumps.size()) + ")");
    const QString base = QFileInfo(runLog).completeBaseName();
    check(dumps.value(0) == base + ".dmp", "the dump is named after the run's log");

    const pid_t next = start({});
    const Window report = waitForWindow(display, next, kProblemReportsTitle, next, &early);
    check(report != 0, "the next start offers the problem report");
    if (report) askToClose(display, report);
    const Window window = waitForWindow(display, next, kMainTitle, next, &early);
    check(window != 0, "then the main window showed");
    if (window) askToClose(display, window);
    finished = waitForEnd(next);
    check(finished.exited && finished.code == 0,
          "exit code 0 (got " + std::to_string(finished.code) + ")");
    const QDir event(logFolder().filePath("Event"));
    check(event.exists(base + ".dmp") && event.exists(base + ".txt"),
          "the dump and its log were kept together for the report");
    check(logFolder().entryList({"*.dmp"}, QDir::Files).isEmpty(), "no dump is offered twice");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: program_host CUTOUT PHOTO\n");
        return 2;
    }
    cutoutProgram = QString::fromLocal8Bit(argv[1]);
    photo = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    scratch = dir.path();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    hostBridgeCases(display);
    controlFileCases(display);
    standaloneCases(display);
    crashCases(display);
    XCloseDisplay(display);
    std::printf(failures ? "%d checks failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
