#include "harness_support.h"

#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/panel_framework/fake_dock.h"
#include "tools/gm_tool.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdio>

namespace harness {

bool waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void pause(int ms) {
    waitFor([] { return false; }, ms);
}

bool engineIdle() {
    const VardekThread* thread = VardekThread::instance();
    return thread && thread->isOpen() && !thread->isBusy() && thread->queuedCount() == 0;
}

bool xdotool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    if (!process.waitForStarted(5000)) return false;
    waitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
    pause(300);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList at(const QPoint& p, const char* rest) {
    return {"mousemove", QString::number(p.x()), QString::number(p.y()), "sleep",
            QString::fromLatin1(rest)};
}

void Check::expect(bool holds, const QString& what) {
    if (holds) return;
    failed_ = true;
    std::fprintf(stderr, "%s: %s\n", name_, qPrintable(what));
}

void useTemporarySettings(const QTemporaryDir& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

void sendMouse(GmTool* tool, QEvent::Type type, QPointF point, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, button, held, Qt::NoModifier);
    tool->trackButtonState(&event);
    switch (type) {
    case QEvent::MouseButtonPress:
        tool->mousePress(&event, point);
        break;
    case QEvent::MouseButtonRelease:
        tool->mouseRelease(&event, point);
        break;
    case QEvent::MouseButtonDblClick:
        tool->mouseDoubleClick(&event, point);
        break;
    default:
        tool->mouseMove(&event, point);
        break;
    }
}

void drag(GmTool* tool, QPointF from, QPointF to) {
    sendMouse(tool, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        sendMouse(tool, QEvent::MouseMove, from + (to - from) * step / 4.0, Qt::LeftButton);
    sendMouse(tool, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

ViewAndColumn addViewAndColumn(QWidget* window, QVBoxLayout* layout) {
    auto* splitter = new QSplitter(window);
    layout->addWidget(splitter, 1);
    auto* view = new ImageView(window);
    splitter->addWidget(view);
    auto* dock = new FakeDock(splitter);
    return {splitter, view, dock};
}

void dockPanel(GmSubWindow* panel, FakeDock* dock) {
    panel->setDock(dock);
    panel->setFloating(false, false);
    panel->setWantedVisible(true);
}

void addZoomCommands(QToolBar* toolBar, NavigatorWindow* panel) {
    QAction* zoomIn = toolBar->addAction(QStringLiteral("Zoom &In"));
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    QObject::connect(zoomIn, &QAction::triggered, panel, &NavigatorWindow::zoomInSlot);
    QObject::connect(panel, &NavigatorWindow::zoomInEnabled, zoomIn, &QAction::setEnabled);
    QAction* zoomOut = toolBar->addAction(QStringLiteral("Zoom &Out"));
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    QObject::connect(zoomOut, &QAction::triggered, panel, &NavigatorWindow::zoomOutSlot);
    QObject::connect(panel, &NavigatorWindow::zoomOutEnabled, zoomOut, &QAction::setEnabled);
}

int openOnEngine(const QString& path, const char* name) {
    GmModel* const model = GmModel::instance();
    auto* source = new ZtSourceImage(path);
    if (!source->isValid()) {
        std::fprintf(stderr, "%s: cannot open %s\n", name, qPrintable(path));
        delete source;
        return 2;
    }
    bool begun = false;
    const QMetaObject::Connection watch =
        QObject::connect(model, &GmModel::sessionHasBegun, [&] { begun = true; });
    const bool opened = model->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage,
                                         source, nullptr) &&
                        waitFor([&] { return begun && engineIdle(); }, 30000);
    QObject::disconnect(watch);
    if (!opened) {
        std::fprintf(stderr, "%s: the engine did not open the image\n", name);
        return 1;
    }
    return 0;
}

void closeOnEngine() {
    GmModel::instance()->closeImage();
    waitFor(engineIdle, 30000);
    GmTool::setImageView(nullptr);
}

} // namespace harness
