// The message a crashed program leaves its user. The crash guard starts this
// small program and waits for it, because a process that has just faulted
// must not touch its own windows again.
#include "shell/services/shell_functions.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace {

// A window needs a display; without one the message goes to standard error only.
bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    const QString title = makerName() + QLatin1Char(' ') + productName();
    const QString text =
        QStringLiteral("Sorry - %1 has encountered a problem and is exiting.\n").arg(productName());
    std::fprintf(stderr, "%s", text.toLocal8Bit().constData());
    if (!haveDisplay()) return 0;

    QApplication application(argc, argv);
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
    return 0;
}
