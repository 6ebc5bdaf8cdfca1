// The one application object of the process. It owns the run's log (made
// first, so that everything after it is logged, and destroyed last), sets the
// settings identity, creates the Qt application, shows the splash, loads the
// translations and preferences, prepares the update and news checks, routes
// Qt's messages into the log, installs the application style, and creates
// the main window and runs the event loop. It carries the run mode
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
#include <QStringList>

#include <memory>

class QSettings;
class QSplashScreen;
class ZtApplication;
class ZtAppPrefs;
class ZtMainWindow;
class ZtSourceImage;
class ZtTranslations;
class UpdateAndNewsChecks;

class ZtApp : public QObject {
    Q_OBJECT
public:
    // The run's log goes to `logFolder` (the per-user log folder when empty).
    explicit ZtApp(int mode, const QString& logFolder = QString());
    ~ZtApp() override;

    // The application object while it exists, else null.
    static ZtApp* instance();

    int mode() const { return mode_; }
    Logger& logger() { return logger_; }

    // The start-up sequence: identity, settings, the Qt application, splash,
    // translations, preferences, the update and news checks (not started),
    // message routing, meta-types, style, fonts and library paths. The main
    // window is created by createMainWindow().
    virtual void init(int& argc, char** argv);

    // The command line as the Qt application left it (the program first);
    // empty before init. Standalone, a second entry is the file to open first.
    QStringList arguments() const { return arguments_; }

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

    // The update and news checks, made by init; null before.
    UpdateAndNewsChecks* updateAndNewsChecks() const { return checks_.get(); }
    // Whether the news page answered below 400 last time; false until it did.
    bool newsAvailable() const;

signals:
    // The news page answered: whether the news can be read.
    void newsAvailability(bool available);

public slots:
    // The main window starts both checks unforced at the end of its construction.
    void runStartUpChecks();
    // "&Check for Updates" and "Latest &News".
    void checkForUpdateSlot();
    void checkForNewsSlot();

protected:
    // Ends the run's objects in order, once: the window, the splash, the
    // update and news checks and an open about box, the document's images
    // (releaseDocument), the preferences, translations and settings, and the
    // Qt application last (the log outlives it). Each destructor calls it, so
    // that a subclass's images go while its buffers still exist.
    void tearDown() noexcept;
    // The arguments of a run that init did not start (tests).
    void setArguments(const QStringList& arguments) { arguments_ = arguments; }
    // Lets the images of the document go; the subclass owns them.
    virtual void releaseDocument() {}

private:
    void showSplash();
    void logIdentifiers();
    void createUpdateAndNewsChecks();
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
    std::unique_ptr<UpdateAndNewsChecks> checks_;
    QStringList arguments_;
    QPointer<ZtMainWindow> mainWindow_;
};

#endif
