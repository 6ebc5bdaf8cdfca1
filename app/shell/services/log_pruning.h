// Deleting old logs: a run's log is named after the moment the run began
// ("2031.05.06_07.08.09.010.txt"), and logs a week old or older go.
#ifndef APP_SHELL_SERVICES_LOG_PRUNING_H
#define APP_SHELL_SERVICES_LOG_PRUNING_H

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QVector>

// Logs whose creation lies this many calendar days or more before the run start are deleted.
constexpr int kLogKeepDays = 7;

// The logs the pruning considers: names starting with "20" and ending in ".txt".
QString logNameFilter();

// A log as the pruning sees it.
struct LogFileDates {
    QString path;
    QDateTime created;
};

// When the file was created: its birth time where the file system keeps one,
// else its last modification.
QDateTime logFileCreated(const QFileInfo& file);

// The logs to delete, given the logs least recently modified first: walking
// the list, each log created kLogKeepDays or more calendar days before
// `runStart` goes, and the walk stops at the first younger one (or one created
// after the run start).
QStringList logsToPrune(const QVector<LogFileDates>& leastRecentlyModifiedFirst,
                        const QDateTime& runStart);

// Deletes the old logs of `folder`; a log that cannot be deleted stays and the
// walk goes on. Returns the number deleted.
int pruneOldLogs(const QDir& folder, const QDateTime& runStart);

#endif
