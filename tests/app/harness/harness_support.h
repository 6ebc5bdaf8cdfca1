// What the windows in this folder share: running the event loop while
// waiting, the real pointer through xdotool, a tool's mouse operations as the
// canvas would deliver them, settings in a temporary folder, and the pieces of
// window they all build alike (the image view with a dock column beside it, a
// panel docked in it, the zoom commands, a document opened on the engine).
#pragma once

#include <QEvent>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <functional>

class FakeDock;
class GmSubWindow;
class GmTool;
class ImageView;
class NavigatorWindow;
class QSplitter;
class QTemporaryDir;
class QToolBar;
class QVBoxLayout;
class QWidget;

namespace harness {

// Runs the event loop until `condition` holds or `ms` pass.
bool waitFor(const std::function<bool()>& condition, int ms);
// Runs the event loop for `ms`.
void pause(int ms);
// The engine thread is open and has nothing to do.
bool engineIdle();

// Runs xdotool with `args` while the event loop runs, then lets the window
// take what it did for 300 ms.
bool xdotool(const QStringList& args);
// xdotool steps: the pointer to the global point `p`, then a rest of `rest`
// seconds.
QStringList at(const QPoint& p, const char* rest);

// Collects the failures of a check, each written to stderr after `name`.
class Check {
public:
    explicit Check(const char* name) : name_(name) {}
    void expect(bool holds, const QString& what);
    bool failed() const { return failed_; }

private:
    const char* name_;
    bool failed_ = false;
};

// Settings of this run go to `folder`.
void useTemporarySettings(const QTemporaryDir& folder);

// One left-button mouse event as the canvas would deliver it to `tool`.
void sendMouse(GmTool* tool, QEvent::Type type, QPointF point, Qt::MouseButtons held);
// A drag from `from` to `to` in a few moves.
void drag(GmTool* tool, QPointF from, QPointF to);

// The image view and a dock column beside it, in a splitter that takes the
// rest of `layout`.
struct ViewAndColumn {
    QSplitter* splitter;
    ImageView* view;
    FakeDock* dock;
};
ViewAndColumn addViewAndColumn(QWidget* window, QVBoxLayout* layout);
// `panel` docked in `dock` and wanted visible.
void dockPanel(GmSubWindow* panel, FakeDock* dock);
// The main window's zoom commands on `toolBar`, which step through the navigator.
void addZoomCommands(QToolBar* toolBar, NavigatorWindow* panel);

// Opens the image at `path` as a new document on the engine thread and waits
// until the engine has begun its session. Returns 0 when it has, else the
// exit code, with the reason on stderr after `name`.
int openOnEngine(const QString& path, const char* name);
// Closes the document, waits for the engine and lets go of the view.
void closeOnEngine();

} // namespace harness
