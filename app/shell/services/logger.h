// The run's log: one file per run in a per-user folder, every line starting
// with the time "hh:mm:ss.zzz ". Any thread may log: lines are written whole,
// under one lock, so Qt messages from worker threads never interleave.
//
//   logStream() << "Loading " << fileName << endLogLine;
//
// A line that is not ended explicitly ends when the expression does.
#ifndef APP_SHELL_SERVICES_LOGGER_H
#define APP_SHELL_SERVICES_LOGGER_H

#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

class QFile;

// One log line being composed; written to the log when it ends.
class LogLine {
public:
    LogLine();
    ~LogLine();
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;

    template <typename T> LogLine& operator<<(const T& value) {
        stream_ << value;
        return *this;
    }
    LogLine& operator<<(LogLine& (*manipulator)(LogLine&)) { return manipulator(*this); }

    // Writes the line (time stamp, text, newline) and flushes the log. Once only.
    void end();

private:
    QString stamp_;
    QString text_;
    mutable QTextStream stream_;
    bool ended_ = false;
};

// The process-wide log. The application object holds one for the whole run;
// logStream() creates one on the heap when none exists yet. Loggers nest: a
// logger made while another exists takes over until it is destroyed (tests use
// this to log into a folder of their own).
class Logger {
public:
    // Opens this run's log in `folder` (defaultLogFolder() when empty): makes
    // the folder owner-only, deletes logs a week old, opens "<start time>.txt"
    // and writes its path as the first line. When the folder or the file
    // cannot be had, warns "Could not establish logger:" and logs into memory.
    explicit Logger(const QString& folder = QString());
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // The current logger, or null.
    static Logger* instance();

    // Writes the time stamp, `text` and a newline, and flushes.
    void writeLine(const QString& text);

    // Routes one Qt message by the routing tables: to standard error, to the
    // log, both or neither; a fatal message aborts the process after that.
    void dispatchMessage(QtMsgType type, const QString& text);

    // Where messages of `type` go. Types never set go nowhere.
    void setRouting(QtMsgType type, bool toStandardError, bool toFile);

    // Routes warnings, critical and fatal messages into the log only (dropping
    // debug and info) and installs logMessageHandler; the previous handler
    // comes back when this logger is destroyed.
    void installMessageHandler();

    QDir folder() const { return folder_; }
    QDateTime startTime() const { return startTime_; }
    // The folder's path of the start time, "yyyy.MM.dd_hh.mm.ss.zzz".
    QString baseName() const { return baseName_; }
    // The open log file's path ("/dev/null" as the fallback), empty when logging into memory.
    QString filePath() const;
    // Why the log could not be established; empty when it was.
    QString errorText() const { return errorText_; }
    // What was logged into memory when no file could be had.
    QString memoryText() const;

private:
    friend class LogLine;
    static void writeStamped(const QString& stampedText);

    Logger* previous_ = nullptr;
    QtMessageHandler previousHandler_ = nullptr;
    bool handlerInstalled_ = false;
    QMap<int, bool> standardErrorRouting_;
    QMap<int, bool> fileRouting_;
    QDateTime startTime_;
    QDir folder_;
    QString baseName_;
    QString errorText_;
    QFile* file_ = nullptr;
    QString* memory_ = nullptr;
    mutable QTextStream stream_;
};

// Starts a log line: takes the time stamp now (creating the logger when none exists).
LogLine logStream();

// Ends a line: logStream() << "text" << endLogLine.
LogLine& endLogLine(LogLine& line);

// The current time as every log line begins: "hh:mm:ss.zzz " (with the blank).
QString logTimestamp();

// The Qt message handler that installMessageHandler installs; passes messages
// to the current logger, if there is one. Any thread.
void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// The per-user log folder: under the user's data location, the organisation
// and application names and "logs".
QString defaultLogFolder();

// The current logger's folder, start time, base name, and crash-dump path
// (base name + ".dmp"); each creates the logger when none exists.
QDir logFolder();
QDateTime sessionStartTime();
QString sessionLogBaseName();
QString crashDumpPath();

// Opens `path` for appending text; falls back to the null device, and gives
// null when even that fails.
QFile* openLogFile(const QString& path);

#endif
