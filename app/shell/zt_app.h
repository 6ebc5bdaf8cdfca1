// The one application object of the process. It owns the run's log (made
// first, so that everything after it is logged, and destroyed last), sets the
// settings identity, creates the Qt application, shows the splash, loads the
// translations and preferences, routes Qt's messages into the log, and
// creates the main window and runs the event loop. It carries the run mode
// and the result code: the user's answer when the window closed, which
// decides whether a host gets the cut-out back.
//
// Its subclass ZtAppStandAlone adds the images of the host bridge and the
// control file. A run goes: construct, init, run, read the result code,
// deliverResult when it is Apply, destroy (shell/program_run.h).
#ifndef APP_SHELL_ZT_APP_H
#define APP_SHELL_ZT_APP_H

#include "shell/program_run.h"
#include "shell/services/logger.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QSettings;
class QSplashScreen;
class ZtApplication;
class ZtAppPrefs;
class ZtMainWindow;
class ZtSourceImage;
class ZtTranslations;

class ZtApp : public QObject {
    Q_OBJECT
public:
    explicit ZtApp(int mode);
    ~ZtApp() override;

    // The application object while it exists, else null.
    static ZtApp* instance();

    int mode() const { return mode_; }
    Logger& logger() { return logger_; }

    // The start-up sequence: identity, settings, the Qt application, splash,
    // translations, preferences, message routing, meta-types, style, fonts
    // and library paths. The main window is created by createMainWindow().
    virtual void init(int& argc, char** argv);

    // The images to open in host-bridge and control-file mode; null here.
    virtual ZtSourceImage* sourceImage() const { return nullptr; }
    virtual ZtSourceImage* workingImage() const { return nullptr; }

    // Creates the main window and shows it (raised above other windows in
    // host-bridge and control-file mode); the splash ends on it.
    void createMainWindow();
    ZtMainWindow* mainWindow() const;

    // Runs the event loop until the last window closes; answers its exit code.
    int run();

    // The user's answer when the window closed (ResultCode); undecided until then.
    int resultCode() const { return resultCode_; }
    void setResultCode(int code) { resultCode_ = code; }

    // Hands an applied result back to whoever asked for it; false when that
    // failed. Nothing to hand back here.
    virtual bool deliverResult() { return true; }

    // The user settings (user scope, fallbacks on); null before init.
    QSettings* settings() const { return settings_.get(); }
    ZtApplication* application() const { return application_.get(); }

    // The machine's and the installation's identifiers as read at start; "N/A" when missing.
    static QString machineId();
    static QString installationId();

protected:
    // Ends the run's objects in order, once: the window, the splash, the
    // document's images (releaseDocument), the preferences, translations and
    // settings, and the Qt application last. Each destructor calls it, so
    // that a subclass's images go while its buffers still exist.
    void tearDown() noexcept;
    // Lets the images of the document go; the subclass owns them.
    virtual void releaseDocument() {}

private:
    void showSplash();
    void logIdentifiers();
    void useSmallerFontForPanels();

    Logger logger_;
    int mode_ = StandaloneMode;
    int resultCode_ = ResultUndecided;
    bool tornDown_ = false;
    std::unique_ptr<ZtApplication> application_;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<ZtAppPrefs> prefs_;
    std::unique_ptr<ZtTranslations> translations_;
    std::unique_ptr<QSplashScreen> splash_;
    QPointer<ZtMainWindow> mainWindow_;
};

#endif
