// A stand-in for the programs that run cutout as their worker, for the tests
// under a private X server (program_under_x.sh; not a test itself). It makes
// the host's shared-memory sections or a control file, starts cutout, finds
// its main window by its title, asks it to close as a window manager would
// (WM_DELETE_WINDOW; xdotool cannot send that), and checks the exit code and
// what was written back.
//   program_host CUTOUT
// Exits 0 when every case passed.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
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

const char* const kTitle = "Zeltran 3";
const auto kPatience = std::chrono::seconds(60);

QString cutoutProgram;
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

bool hasTitle(Display* display, Window window) {
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
        found = std::strstr(reinterpret_cast<char*>(data), kTitle) != nullptr;
    if (data) XFree(data);
    return found;
}

bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

Window findWindow(Display* display, Window parent, pid_t pid) {
    Window root, parentOut;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        const Window child = children[i];
        if (hasPid(display, child, pid) && hasTitle(display, child) && isViewable(display, child))
            found = child;
        else
            found = findWindow(display, child, pid);
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

// Starts the program, closes its window once it shows, and waits for its end.
Finished runAndClose(Display* display, const QStringList& arguments) {
    const pid_t pid = start(arguments);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    Window window = 0;
    while (!window && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            std::printf("the program ended before its window showed\n");
            Finished early;
            early.exited = WIFEXITED(status);
            early.code = early.exited ? WEXITSTATUS(status) : -1;
            return early;
        }
        window = findWindow(display, DefaultRootWindow(display), pid);
        if (!window) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    check(window != 0, "the main window showed");
    if (window) askToClose(display, window);
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

// The lines of the last run's log.
QString lastLog() {
    const QDir logs(QDir(scratch).filePath("home/data/OstralTech/Zeltran3/logs"));
    const QStringList names = logs.entryList({"*.txt"}, QDir::Files, QDir::Name);
    if (names.isEmpty()) return QString();
    QFile file(logs.filePath(names.last()));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
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
        const Finished finished =
            runAndClose(display, {"--gp", QString::number(result, 16), QString::number(source, 16),
                                  QString::number(c.width), QString::number(c.height),
                                  QString::number(c.bits), c.byteOrder, "Layer 1"});
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
    Finished finished =
        runAndClose(display, {"--xmlgp", writeControlFile(folder, "in.png", "out.png")});
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: program_host CUTOUT\n");
        return 2;
    }
    cutoutProgram = QString::fromLocal8Bit(argv[1]);
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
    XCloseDisplay(display);
    std::printf(failures ? "%d checks failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
