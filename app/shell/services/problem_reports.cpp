#include "shell/services/problem_reports.h"

#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

const char* const kEventFolder = "Event";
// Reports that had to stay in the log folder carry this in front of their
// names once the user was told of them: the next start does not tell again,
// and the log pruning (which takes names beginning with "20") leaves them.
const char* const kReportedPrefix = "reported-";

// The log of the run that left `dump`: the same name with ".txt".
QString logOfDump(const QString& dump) {
    return QString(dump).replace(
        QRegularExpression(QStringLiteral("\\.dmp$"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral(".txt"));
}

// Moves the first dump and its log from `logs` into `event`, after the
// previous report there made room; false when the dump could not move.
bool moveIntoEvent(const QDir& logs, QDir event, const QString& dump) {
    for (const QString& old : event.entryList(QDir::Files))
        event.remove(old);
    if (!QFile::rename(logs.filePath(dump), event.filePath(dump))) return false;
    const QString log = logOfDump(dump);
    if (logs.exists(log)) QFile::rename(logs.filePath(log), event.filePath(log));
    return true;
}

// Without an "Event" folder every dump and its log stay in the log folder,
// marked as told.
void markToldInPlace(const QDir& logs, const QStringList& dumps) {
    const QString prefix = QString::fromLatin1(kReportedPrefix);
    for (const QString& dump : dumps) {
        QFile::rename(logs.filePath(dump), logs.filePath(prefix + dump));
        const QString log = logOfDump(dump);
        if (logs.exists(log)) QFile::rename(logs.filePath(log), logs.filePath(prefix + log));
    }
}

} // namespace

QString problemReportAddress() {
    return QStringLiteral("problem-reports@ostraltech.example");
}

void checkForProblemReports(QWidget* parent) {
    QDir logs = logFolder();
    QStringList dumps =
        logs.entryList(QStringList{QStringLiteral("*.dmp")}, QDir::Files, QDir::Unsorted);
    dumps.erase(std::remove_if(dumps.begin(), dumps.end(),
                               [](const QString& dump) {
                                   return dump.startsWith(QLatin1String(kReportedPrefix));
                               }),
                dumps.end());
    if (dumps.isEmpty()) return;

    QDir event(logs.filePath(QString::fromLatin1(kEventFolder)));
    if (logs.mkpath(QString::fromLatin1(kEventFolder)) &&
        moveIntoEvent(logs, event, dumps.first())) {
        // One report is kept; the dumps of further crashes go.
        for (int i = 1; i < dumps.size(); ++i)
            logs.remove(dumps.at(i));
    } else {
        // No dump is lost for want of the folder.
        markToldInPlace(logs, dumps);
        event = logs;
    }

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
