// The program's main window: the image view with the engine thread behind
// it. It opens the run's first document when it is built, offers the problem
// reports of an earlier crash, and deletes itself when closed.
#ifndef APP_SHELL_ZT_MAIN_WINDOW_H
#define APP_SHELL_ZT_MAIN_WINDOW_H

#include <QMainWindow>
#include <QString>

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
    VardekThread* engineThread() const { return engineThread_; }

    // Opens an image or project file the desktop handed over.
    void openFile(const QString& fileName);

private:
    void openInitialDocument();

    ImageView* imageView_ = nullptr;
    QSplitter* splitter_ = nullptr;
    VardekThread* engineThread_ = nullptr;
};

#endif
