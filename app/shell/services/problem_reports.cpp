#include "shell/services/problem_reports.h"

#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

const char* const kEventFolder = "Event";

} // namespace

QString problemReportAddress() {
    return QStringLiteral("problem-reports@ostraltech.example");
}

void checkForProblemReports(QWidget* parent) {
    QDir logs = logFolder();
    const QStringList dumps =
        logs.entryList(QStringList{QStringLiteral("*.dmp")}, QDir::Files, QDir::Unsorted);
    if (dumps.isEmpty()) return;

    QDir event(logs.filePath(QString::fromLatin1(kEventFolder)));
    const bool haveEvent = logs.mkpath(QString::fromLatin1(kEventFolder));
    if (haveEvent) {
        // The previous report makes room for this one.
        for (const QString& old : event.entryList(QDir::Files))
            event.remove(old);
        const QString dump = dumps.first();
        const QString log =
            QString(dump).replace(QRegularExpression(QStringLiteral("\\.dmp$"),
                                                     QRegularExpression::CaseInsensitiveOption),
                                  QStringLiteral(".txt"));
        QFile::rename(logs.filePath(dump), event.filePath(dump));
        if (logs.exists(log)) QFile::rename(logs.filePath(log), event.filePath(log));
    } else {
        event = logs;
    }
    for (int i = 1; i < dumps.size(); ++i)
        logs.remove(dumps.at(i));

    const QString text =
        QCoreApplication::translate(
            "ProblemReports",
            "<p>%1 recently shutdown unexpectedly.<br/>Log files were saved in:</p><p "
            "align='center'><font color='blue'>%2</font></p><p>Please help improve this product "
            "by emailing these files to:</p><p align='center'><font "
            "color='blue'>%3</font></p><p>Thank you.</p>")
            .arg(productName(), event.canonicalPath(), problemReportAddress());
    promptService()->message(
        parent, PromptService::Kind::Information,
        QCoreApplication::translate("ProblemReports", "Problem Reports Detected"), text,
        PromptService::Ok);
}
