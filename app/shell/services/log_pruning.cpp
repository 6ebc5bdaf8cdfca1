#include "shell/services/log_pruning.h"

#include <QFile>

QString logNameFilter() {
    return QStringLiteral("20*.txt");
}

QDateTime logFileCreated(const QFileInfo& file) {
    const QDateTime born = file.birthTime();
    return born.isValid() ? born : file.lastModified();
}

QStringList logsToPrune(const QVector<LogFileDates>& leastRecentlyModifiedFirst,
                        const QDateTime& runStart) {
    QStringList doomed;
    for (const LogFileDates& log : leastRecentlyModifiedFirst) {
        // daysTo counts calendar days; a log created after the run start is negative.
        if (log.created.daysTo(runStart) < kLogKeepDays) break;
        doomed << log.path;
    }
    return doomed;
}

int pruneOldLogs(const QDir& folder, const QDateTime& runStart) {
    // QDir::Time sorts the most recently modified first; Reversed puts the oldest first.
    const QFileInfoList files = folder.entryInfoList(QStringList{logNameFilter()}, QDir::Files,
                                                     QDir::Time | QDir::Reversed);
    QVector<LogFileDates> logs;
    logs.reserve(files.size());
    for (const QFileInfo& file : files)
        logs.append({file.absoluteFilePath(), logFileCreated(file)});

    int removed = 0;
    for (const QString& path : logsToPrune(logs, runStart))
        if (QFile::remove(path)) ++removed;
    return removed;
}
