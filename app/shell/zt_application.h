// The Qt application object of the program. Besides QApplication it answers
// the desktop's requests to open a file: a control file (".oztx") becomes the
// current control file; any other file is opened in the main window once it
// exists. A request that arrives before the window is only remembered.
#ifndef APP_SHELL_ZT_APPLICATION_H
#define APP_SHELL_ZT_APPLICATION_H

#include <QApplication>
#include <QString>

class ZtApplication : public QApplication {
public:
    ZtApplication(int& argc, char** argv);

    // The file named by the last file-open request; empty before any.
    QString lastFileOpenName() const { return lastFileOpenName_; }

protected:
    bool event(QEvent* event) override;

private:
    QString lastFileOpenName_;
};

// What a request to open `fileName` does: nothing before the main window
// exists (false); then a name ending in ".oztx" (any letter case) becomes the
// current control file and is loaded (a file that cannot be opened is
// logged and the user warned), and any other file opens in the main window.
bool openRequestedFile(const QString& fileName);

#endif
