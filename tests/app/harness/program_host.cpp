// A stand-in for the programs that run cutout as their worker, for the tests
// under a private X server (program_under_x.sh; not a test itself). It makes
// the host's shared-memory sections or a control file, starts cutout, finds
// its main window by its title, waits until the image it was given has been
// analysed, asks the window to close as a window manager would
// (WM_DELETE_WINDOW; xdotool cannot send that), and checks the exit code and
// what was written back. As a user would, it also paints with the keep and
// delete brushes ("K" and "D", with xdotool) on a two-coloured picture and
// applies it with Ctrl+S, for a host and for a control file, and checks the
// cut-out that comes back. It opens a photograph standalone, shows the about
// box on its own, and makes the program crash to see the dump offered at the
// next start.
//
// Every wait is for a condition (a window, a log line, the end of the
// program, a picture on the screen) with a generous deadline, so that a
// machine busy with other tests only makes it slower.
//   program_host CUTOUT PHOTO
// Exits 0 when every case passed.
#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
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
#include <cmath>
#include <cstdlib>
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
// The log line of a brush stroke the engine has laid.
const char* const kStrokeLaid = "Brushing... - hasFinished";
// How long any one wait may take: long, for a machine busy with other tests.
const auto kPatience = std::chrono::seconds(180);

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

// Windows come and go while the tree is searched (the program's splash, a
// crash message, another test's program on a busy machine): a window gone
// between listing and asking is an error the search only skips, where Xlib's
// own handler would end this host.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
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

// Waits until a log newer than `before` holds `line` (`times` times).
bool waitForLogLine(const QString& before, const char* line, int times = 1) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        const QString newest = newestLogName();
        if (newest > before && lastLog().count(QLatin1String(line)) >= times) return true;
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
// Painting and applying, as a user would
// ---------------------------------------------------------------------------

// The picture painted on: an orange left half and a blue right half.
const QColor kLeftColour(230, 140, 40);
const QColor kRightColour(40, 90, 200);
constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

// The strokes, in the picture's pixels: keep across the orange half, delete
// across the blue one; and the points checked along their middles.
const QPointF kKeepFrom(30, 80), kKeepTo(130, 80);
const QPointF kDeleteFrom(190, 160), kDeleteTo(290, 160);

QImage twoColourPicture() {
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x)
            picture.setPixelColor(x, y, x < kPictureWidth / 2 ? kLeftColour : kRightColour);
    return picture;
}

QList<QPoint> pointsAlong(QPointF from, QPointF to) {
    QList<QPoint> points;
    for (int i = 2; i <= 6; ++i)
        points << (from + (to - from) * i / 8.0).toPoint();
    return points;
}

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The screen as colours, row after row.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<QRgb> pixels;
    QRgb at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

Screen grabScreen(Display* display) {
    Screen screen;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, root, &attributes)) return screen;
    XImage* image = XGetImage(display, root, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image) return screen;
    screen.width = attributes.width;
    screen.height = attributes.height;
    screen.pixels.resize(size_t(screen.width) * size_t(screen.height));
    const int red = shiftOf(image->red_mask), green = shiftOf(image->green_mask),
              blue = shiftOf(image->blue_mask);
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            screen.pixels[size_t(y) * size_t(screen.width) + size_t(x)] =
                qRgb(int((pixel & image->red_mask) >> red) & 0xff,
                     int((pixel & image->green_mask) >> green) & 0xff,
                     int((pixel & image->blue_mask) >> blue) & 0xff);
        }
    XDestroyImage(image);
    return screen;
}

bool looksLike(QRgb pixel, const QColor& colour) {
    return std::abs(qRed(pixel) - colour.red()) <= 6 &&
           std::abs(qGreen(pixel) - colour.green()) <= 6 &&
           std::abs(qBlue(pixel) - colour.blue()) <= 6;
}

// The longest run of `colour` in any row: its row and its first and last column.
struct Run {
    int y = -1;
    int first = 0;
    int last = -1;
    int length() const { return last - first + 1; }
};

Run longestRun(const Screen& screen, const QColor& colour) {
    Run best;
    for (int y = 0; y < screen.height; ++y) {
        int start = -1;
        for (int x = 0; x <= screen.width; ++x) {
            const bool inside = x < screen.width && looksLike(screen.at(x, y), colour);
            if (inside && start < 0) start = x;
            if (!inside && start >= 0) {
                if (x - start > best.length()) best = Run{y, start, x - 1};
                start = -1;
            }
        }
    }
    return best;
}

// Where the canvas shows the picture: the widest orange run and the widest
// blue one give its left and right edges (the navigator's small copy has
// shorter runs), the orange column through the middle of its run its top and
// bottom. Empty while it is not (fully) shown.
QRect pictureOnScreen(Display* display) {
    const Screen screen = grabScreen(display);
    if (screen.pixels.empty()) return QRect();
    const Run left = longestRun(screen, kLeftColour);
    const Run right = longestRun(screen, kRightColour);
    if (left.length() < 40 || right.length() < 40 || right.first < left.last) return QRect();
    const int x = (left.first + left.last) / 2;
    int top = left.y, bottom = left.y;
    while (top > 0 && looksLike(screen.at(x, top - 1), kLeftColour))
        --top;
    while (bottom + 1 < screen.height && looksLike(screen.at(x, bottom + 1), kLeftColour))
        ++bottom;
    const QRect rect(QPoint(left.first, top), QPoint(right.last, bottom));
    // Shown whole: the picture's proportions.
    const double ratio = double(rect.width()) / rect.height();
    const double expected = double(kPictureWidth) / kPictureHeight;
    return std::abs(ratio - expected) < 0.03 * expected ? rect : QRect();
}

// Waits until the picture is on the screen and has stopped moving.
QRect waitForPicture(Display* display) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    QRect last;
    while (std::chrono::steady_clock::now() < deadline) {
        const QRect now = pictureOnScreen(display);
        if (now.isValid() && now == last) return now;
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return QRect();
}

// A picture pixel's place on the screen.
QPoint onScreen(const QRect& picture, QPointF point) {
    return QPoint(picture.x() + int((point.x() + 0.5) * picture.width() / kPictureWidth),
                  picture.y() + int((point.y() + 0.5) * picture.height() / kPictureHeight));
}

// Runs xdotool with `arguments`; true when it ended well within the patience.
bool xdotool(const QStringList& arguments) {
    std::vector<QByteArray> bytes{QByteArrayLiteral("xdotool")};
    for (const QString& argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    const Finished finished = waitForEnd(pid);
    return finished.exited && finished.code == 0;
}

// A drag with the left button from `from` to `to` (screen pixels), in steps.
QStringList dragArguments(QPoint from, QPoint to) {
    QStringList arguments{"mousemove",
                          QString::number(from.x()),
                          QString::number(from.y()),
                          "sleep",
                          "0.2",
                          "mousedown",
                          "1",
                          "sleep",
                          "0.2"};
    const int steps = 10;
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        arguments << "mousemove" << QString::number(p.x()) << QString::number(p.y()) << "sleep"
                  << "0.05";
    }
    arguments << "sleep"
              << "0.2"
              << "mouseup"
              << "1";
    return arguments;
}

// In the shown window of `pid`: "K" and a stroke, "D" and a stroke, and,
// once the engine has laid both, Ctrl+S ("Save and Apply"). Then the end of
// the program.
Finished paintAndApply(Display* display, pid_t pid, const QString& logBefore) {
    Finished early;
    const Window window = waitForWindow(display, pid, kMainTitle, pid, &early);
    check(window != 0, "the main window showed");
    if (!window) return early.exited ? early : waitForEnd(pid);
    check(waitForLogLine(logBefore, kAnalysed), "the picture was analysed");
    const QRect picture = waitForPicture(display);
    check(picture.isValid(), "the picture is on the screen");
    if (!picture.isValid()) {
        ::kill(pid, SIGKILL);
        return waitForEnd(pid);
    }
    const QString id = QString::number(window);
    QStringList keep{"windowfocus", "--sync", id, "key", "k"};
    keep << dragArguments(onScreen(picture, kKeepFrom), onScreen(picture, kKeepTo));
    check(xdotool(keep), "xdotool chose the keep brush and painted");
    QStringList remove{"key", "d"};
    remove << dragArguments(onScreen(picture, kDeleteFrom), onScreen(picture, kDeleteTo));
    check(xdotool(remove), "xdotool chose the delete brush and painted");
    check(waitForLogLine(logBefore, kStrokeLaid, 2), "the engine laid both strokes");
    check(xdotool({"windowfocus", "--sync", id, "key", "ctrl+s"}), "xdotool pressed Ctrl+S");
    return waitForEnd(pid);
}

// The cut-out that came back: opaque along the keep stroke, clear along the delete one.
void checkCutout(const std::function<int(QPoint)>& alphaAt) {
    bool kept = true, cleared = true;
    for (const QPoint& point : pointsAlong(kKeepFrom, kKeepTo))
        kept = kept && alphaAt(point) == 255;
    for (const QPoint& point : pointsAlong(kDeleteFrom, kDeleteTo))
        cleared = cleared && alphaAt(point) == 0;
    check(kept, "the cut-out is opaque under the keep stroke");
    check(cleared, "the cut-out is clear under the delete stroke");
}

void paintingCases(Display* display) {
    const QImage picture = twoColourPicture();

    std::printf("-- host bridge, painted and applied with Ctrl+S\n");
    {
        QByteArray pixels;
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x) {
                const QRgb rgb = picture.pixel(x, y);
                pixels.append(char(qRed(rgb))).append(char(qGreen(rgb)));
                pixels.append(char(qBlue(rgb))).append(char(qAlpha(rgb)));
            }
        const int source = section(pixels);
        const int result = section(pixels);
        check(source >= 0 && result >= 0, "the sections were made");
        const QString logBefore = newestLogName();
        const pid_t pid = start({"--gp", QString::number(result, 16), QString::number(source, 16),
                                 QString::number(kPictureWidth), QString::number(kPictureHeight),
                                 "8", "big", "Layer 1"});
        const Finished finished = paintAndApply(display, pid, logBefore);
        check(finished.exited && finished.code == 0,
              "exit code 0, applied (got " + std::to_string(finished.code) + ")");
        const QByteArray back = contents(result);
        check(back.size() == pixels.size(), "the result section kept its size");
        if (back.size() == pixels.size())
            checkCutout([&back](QPoint p) {
                return int(uchar(back.at((p.y() * kPictureWidth + p.x()) * 4 + 3)));
            });
        check(contents(source) == pixels, "the source section is untouched");
        ::close(source);
        ::close(result);
    }

    std::printf("-- control file, painted and applied with Ctrl+S\n");
    {
        const QString folder = QDir(scratch).filePath("painted");
        QDir().mkpath(folder);
        picture.save(QDir(folder).filePath("in.png"), "PNG");
        const QString output = QDir(folder).filePath("out.png");
        const QString logBefore = newestLogName();
        const pid_t pid = start({"--xmlgp", writeControlFile(folder, "in.png", "out.png")});
        const Finished finished = paintAndApply(display, pid, logBefore);
        check(finished.exited && finished.code == 0,
              "exit code 0 (got " + std::to_string(finished.code) + ")");
        const QImage cutout(output);
        check(!cutout.isNull() && cutout.hasAlphaChannel(), "the output is a picture with alpha");
        if (!cutout.isNull()) checkCutout([&cutout](QPoint p) { return qAlpha(cutout.pixel(p)); });
    }
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
    // Each line as it is written, in order with the program's own messages.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
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
    XSetErrorHandler(ignoreXError);
    hostBridgeCases(display);
    controlFileCases(display);
    paintingCases(display);
    standaloneCases(display);
    crashCases(display);
    XCloseDisplay(display);
    std::printf(failures ? "%d checks failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
