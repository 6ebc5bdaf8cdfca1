// The program's main window: the image view, the file handler through which
// documents come and go, and the engine thread behind them. It opens the
// run's first document when it is built (the host's or the control file's
// images, or the file named on the command line), offers the problem reports
// of an earlier crash, starts the update and news checks, and deletes itself
// when closed.
//
// The constructor builds the window in steps, each a private function called
// once, in this order: the image view in the main splitter, the file handler
// (with the window hooks it needs), the engine thread, the model's wiring,
// then the start-up: the control file read again, the initial document, the
// problem reports and the network checks. Actions, menus, panels and tools
// join between the engine thread and the model's wiring.
#ifndef APP_SHELL_ZT_MAIN_WINDOW_H
#define APP_SHELL_ZT_MAIN_WINDOW_H

#include <QMainWindow>
#include <QString>

class FileHandler;
class ImageView;
class QSplitter;
class VardekThread;

class ZtMainWindow : public QMainWindow {
    Q_OBJECT
public:
    ZtMainWindow();
    ~ZtMainWindow() override;

    // The window while it exists, else null.
    static ZtMainWindow* instance();

    ImageView* imageView() const { return imageView_; }
    FileHandler* fileHandler() const { return fileHandler_; }
    VardekThread* engineThread() const { return engineThread_; }

    // Opens an image or project file the desktop handed over (asking first
    // when work would be lost). Nothing it does escapes to the event loop: a
    // failure is logged and the user warned.
    void openFile(const QString& fileName);

    // The question before work is thrown away: true lets the caller go on.
    // Nothing is asked when the document is unmodified or, standalone, when
    // nothing changed since the cut-out was exported or the project saved or
    // loaded; otherwise Discard goes on and Cancel keeps the work.
    bool confirmDiscardChanges(const QString& title);

private:
    // Construction steps, in order.
    void createImageView();
    void createFileHandler();
    void createEngineThread();
    void connectModel();
    void reloadControlFile();
    void openInitialDocument();
    void startNetworkChecks();

    void installFileHandlerHooks();
    void removeFileHandlerHooks();

    ImageView* imageView_ = nullptr;
    QSplitter* splitter_ = nullptr;
    FileHandler* fileHandler_ = nullptr;
    VardekThread* engineThread_ = nullptr;
};

#endif
