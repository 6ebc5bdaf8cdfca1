#include "shell/zt_application.h"

#include "shell/gas_pipe.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "shell/zt_main_window.h"

#include <QFileOpenEvent>

ZtApplication::ZtApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZtApplication::event(QEvent* event) {
    if (event->type() != QEvent::FileOpen) return QApplication::event(event);
    lastFileOpenName_ = static_cast<QFileOpenEvent*>(event)->file();
    return openRequestedFile(lastFileOpenName_) || QApplication::event(event);
}

bool openRequestedFile(const QString& fileName) {
    ZtMainWindow* window = ZtMainWindow::instance();
    if (!window) return false;
    if (!fileName.endsWith(QStringLiteral(".oztx"), Qt::CaseInsensitive)) {
        window->openFile(fileName);
        return true;
    }
    auto* controlFile = new GasPipe(fileName);
    setCurrentControlFile(controlFile);
    try {
        if (!controlFile->load())
            logStream() << "Control file " << fileName << " is no well-formed XML" << endLogLine;
    } catch (const QString& text) {
        // The event loop must never see an exception.
        logStream() << text << endLogLine;
        promptService()->message(window, PromptService::Kind::Warning, productName(), text,
                                 PromptService::Ok);
    }
    return true;
}
