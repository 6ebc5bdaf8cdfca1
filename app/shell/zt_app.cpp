#include "shell/zt_app.h"

#include "files/main_window_hooks.h"
#include "model/zt_app_prefs.h"
#include "shell/about_box.h"
#include "shell/distributor_info.h"
#include "shell/gas_pipe.h"
#include "shell/product_version.h"
#include "shell/services/shell_functions.h"
#include "shell/splash_picture.h"
#include "shell/update_and_news_checks.h"
#include "shell/zt_app_style.h"
#include "shell/zt_app_settings.h"
#include "shell/zt_application.h"
#include "shell/zt_main_window.h"
#include "shell/zt_translations.h"

#include <QFont>
#include <QScreen>
#include <QSettings>
#include <QSplashScreen>

namespace {

ZtApp* theApp = nullptr;

const char* const kNotAvailable = "N/A";

struct Identifiers {
    QString machine = QString::fromLatin1(kNotAvailable);
    QString installation = QString::fromLatin1(kNotAvailable);
};

Identifiers& identifiers() {
    static Identifiers ids;
    return ids;
}

} // namespace

ZtApp::ZtApp(int mode, const QString& logFolder)
    : logger_(logFolder), mode_(mode), translations_(std::make_unique<ZtTranslations>()) {
    theApp = this;
    setRunModeHook([this] { return mode_; });
}

ZtApp::~ZtApp() {
    tearDown();
    setRunModeHook({});
    if (theApp == this) theApp = nullptr;
}

ZtApp* ZtApp::instance() {
    return theApp;
}

QString ZtApp::machineId() {
    return identifiers().machine;
}

QString ZtApp::installationId() {
    return identifiers().installation;
}

void ZtApp::init(int& argc, char** argv) {
    // 1-3: who we are, and what the machine-wide settings say about this
    // installation, before anything reads a setting.
    setApplicationIdentity();
    resetLayoutForNewInstallation();
    ensureMachineId();

    application_ = std::make_unique<ZtApplication>(argc, argv);
    arguments_ = QCoreApplication::arguments();
    showSplash();

    settings_ =
        std::make_unique<QSettings>(QSettings::UserScope, organisationName(), applicationName());
    logIdentifiers();

    translations_->loadForSystemLanguage();
    prefs_ = std::make_unique<ZtAppPrefs>();
    createUpdateAndNewsChecks();

    // From here on Qt's warnings go into the log, not to the terminal.
    logger_.installMessageHandler();
    // The same text as the about box's.
    logStream() << "Version: " << versionText() << "; Linux" << endLogLine;

    // Painter paths travel inside project files (polygons are built in).
    registerPainterPathType();

    installApplicationStyle();
    useSmallerFontForPanels();

    const QString libraries = machineLibraryFolder();
    if (!libraries.isEmpty()) QCoreApplication::setLibraryPaths(QStringList{libraries});
}

void ZtApp::showSplash() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    splash_ =
        std::make_unique<QSplashScreen>(splashPicture(screen ? screen->devicePixelRatio() : 1));
    splash_->show();
    splash_->repaint();
    QCoreApplication::processEvents();
}

void ZtApp::logIdentifiers() {
    const QString notAvailable = QString::fromLatin1(kNotAvailable);
    identifiers().machine = settings_->value(QStringLiteral("MID"), notAvailable).toString();
    identifiers().installation = settings_->value(QStringLiteral("ID"), notAvailable).toString();
    logStream() << "MID: " << identifiers().machine << endLogLine;
    logStream() << "ID: " << identifiers().installation << endLogLine;
}

void ZtApp::createUpdateAndNewsChecks() {
    // Prepared here, started by the main window once it is built.
    checks_ = std::make_unique<UpdateAndNewsChecks>(updateAndNewsSites(distributorInfo()));
    connect(checks_.get(), &UpdateAndNewsChecks::newsAvailability, this, &ZtApp::newsAvailability);
}

bool ZtApp::newsAvailable() const {
    return checks_ && checks_->newsAvailable();
}

void ZtApp::runStartUpChecks() {
    if (checks_) checks_->runStartUpChecks();
}

void ZtApp::checkForUpdateSlot() {
    if (checks_) checks_->checkForUpdateSlot();
}

void ZtApp::checkForNewsSlot() {
    if (checks_) checks_->checkForNewsSlot();
}

void ZtApp::useSmallerFontForPanels() {
    QFont font = QApplication::font();
    if (font.pointSizeF() > 1)
        font.setPointSizeF(font.pointSizeF() - 1);
    else if (font.pixelSize() > 1)
        font.setPixelSize(font.pixelSize() - 1);
    QApplication::setFont(font, "GmSubWindow");
    QApplication::setFont(font, "QToolBar");
}

void ZtApp::createMainWindow() {
    mainWindow_ = new ZtMainWindow;
    // The checks' questions belong to the window; leaving for the download closes it.
    if (checks_) {
        QPointer<ZtMainWindow> window = mainWindow_;
        checks_->setMainWindow(window, [window] {
            if (window) window->close();
        });
    }
    mainWindow_->show();
    if (mode_ != StandaloneMode) {
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
    if (splash_) {
        splash_->finish(mainWindow_);
        splash_.reset();
    }
}

ZtMainWindow* ZtApp::mainWindow() const {
    return mainWindow_.data();
}

int ZtApp::run() {
    connect(application_.get(), &QGuiApplication::lastWindowClosed, application_.get(),
            &QCoreApplication::quit);
    // A window closed while it was being shown (the splash ends on it once
    // it appears) asked to quit before the loop ran, which Qt forgets: the
    // loop would then wait for a window that is gone.
    if (!mainWindow_ || !mainWindow_->isVisible()) return 0;
    return QApplication::exec();
}

void ZtApp::tearDown() noexcept {
    if (tornDown_) return;
    tornDown_ = true;
    try {
        // A window still open (a failure left the event loop) goes first, and
        // with it the engine thread, which waits for a running command.
        delete mainWindow_.data();
        if (application_) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        splash_.reset();
        checks_.reset();
        deleteAboutBox();
        releaseDocument();
        setCurrentControlFile(nullptr);
        prefs_.reset();
        translations_.reset();
        settings_.reset();
        application_.reset();
    } catch (...) {
        // Nothing may leave a destructor; the log says what went wrong.
        try {
            logStream() << "Shutting down failed: " << describeCurrentException() << endLogLine;
        } catch (...) {
        }
    }
}
