#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "shell/gas_pipe.h"
#include "shell/services/logger.h"
#include "shell/services/problem_reports.h"
#include "shell/services/shell_functions.h"
#include "shell/zt_app.h"
#include "workspace/image_view.h"

#include <QCoreApplication>
#include <QSplitter>

namespace {

ZtMainWindow* mainWindow = nullptr;

} // namespace

ZtMainWindow::ZtMainWindow() {
    mainWindow = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setIconSize(QSize(24, 24));
    setWindowTitle(productName());

    imageView_ = new ImageView(this);
    imageView_->setObjectName(QStringLiteral("imageView_"));
    addActions(imageView_->tabActions());
    splitter_ = new QSplitter(Qt::Horizontal);
    splitter_->setObjectName(QStringLiteral("Main Splitter"));
    splitter_->addWidget(imageView_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
    resize(1200, 800);

    engineThread_ = new VardekThread(this);

    // In control-file mode the control file is read again, so that the paths
    // are those of the file as it is now.
    if (GasPipe* controlFile = currentControlFile()) {
        try {
            controlFile->load();
        } catch (const QString& text) {
            logStream() << text << endLogLine;
        }
    }
    openInitialDocument();
    checkForProblemReports(this);
}

ZtMainWindow::~ZtMainWindow() {
    if (mainWindow == this) mainWindow = nullptr;
}

ZtMainWindow* ZtMainWindow::instance() {
    return mainWindow;
}

void ZtMainWindow::openInitialDocument() {
    ZtApp* app = ZtApp::instance();
    if (!app) return;
    if (app->mode() != StandaloneMode) {
        if (app->sourceImage())
            logStream() << "Initial document: " << app->sourceImage()->filename() << endLogLine;
        return;
    }
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) openFile(arguments.at(1));
}

void ZtMainWindow::openFile(const QString& fileName) {
    logStream() << "Open requested: " << fileName << endLogLine;
}
