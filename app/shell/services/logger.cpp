#include "shell/services/logger.h"

#include "shell/services/clock.h"
#include "shell/services/log_pruning.h"
#include "shell/services/shell_functions.h"

#include <QFile>
#include <QStandardPaths>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace {

// Guards the current-logger pointer and every write. Recursive because a
// write may make Qt emit a warning, which comes back through the handler.
std::recursive_mutex& logMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

std::atomic<Logger*> currentLogger{nullptr};

Logger* ensureLogger() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    Logger* logger = currentLogger.load();
    // Created on first use and kept for the rest of the run.
    return logger ? logger : new Logger();
}

const QFile::Permissions kOwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
const QFile::Permissions kOwnerOnlyFile =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

const char* const kNullDevice = "/dev/null";

} // namespace

// ---------------------------------------------------------------------------
// LogLine
// ---------------------------------------------------------------------------
LogLine::LogLine() : stream_(&text_, QIODevice::WriteOnly) {
    ensureLogger();
    stamp_ = logTimestamp();
}

LogLine::~LogLine() {
    end();
}

void LogLine::end() {
    if (ended_) return;
    ended_ = true;
    stream_.flush();
    Logger::writeStamped(stamp_ + text_);
}

LogLine logStream() {
    return LogLine();
}

LogLine& endLogLine(LogLine& line) {
    line.end();
    return line;
}

QString logTimestamp() {
    // Local-time conversion reaches the C library's time-zone state; lines
    // from several threads take their turns.
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    return clockNow().toString(QStringLiteral("hh:mm:ss.zzz "));
}

// ---------------------------------------------------------------------------
// Logger
// ---------------------------------------------------------------------------
Logger::Logger(const QString& folder) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    previous_ = currentLogger.exchange(this);

    startTime_ = clockNow();
    const QString folderPath = folder.isEmpty() ? defaultLogFolder() : folder;
    folder_ = QDir(folderPath);
    baseName_ =
        folder_.absoluteFilePath(startTime_.toString(QStringLiteral("yyyy.MM.dd_hh.mm.ss.zzz")));

    if (folderPath.isEmpty() || !QDir().mkpath(folder_.absolutePath())) {
        errorText_ = QStringLiteral("Failed to mkdir %1").arg(folderPath);
    } else {
        // Logs may hold file names and paths: only their owner reads them.
        QFile::setPermissions(folder_.absolutePath(), kOwnerOnlyFolder);
        pruneOldLogs(folder_, startTime_);
        const QString path = baseName_ + QStringLiteral(".txt");
        file_ = openLogFile(path);
        if (file_) {
            if (file_->fileName() == path) QFile::setPermissions(path, kOwnerOnlyFile);
            stream_.setCodec("UTF-8");
            stream_.setDevice(file_);
            writeLine(file_->fileName());
        } else {
            errorText_ = QStringLiteral("Failed to open file %1").arg(path);
        }
    }

    if (!errorText_.isEmpty()) {
        memory_ = new QString(errorText_);
        stream_.setString(memory_, QIODevice::ReadWrite | QIODevice::Append);
        qWarning("%s", qUtf8Printable(QStringLiteral("Could not establish logger: ") + errorText_));
    }
}

Logger::~Logger() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (handlerInstalled_) qInstallMessageHandler(previousHandler_);
    Logger* self = this;
    currentLogger.compare_exchange_strong(self, previous_);

    stream_.flush();
    stream_.setDevice(nullptr);
    delete file_;
    stream_.setString(nullptr);
    delete memory_;
}

Logger* Logger::instance() {
    return currentLogger.load();
}

void Logger::writeLine(const QString& text) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    stream_ << logTimestamp() << text << '\n';
    stream_.flush();
}

void Logger::writeStamped(const QString& stampedText) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    Logger* logger = ensureLogger();
    logger->stream_ << stampedText << '\n';
    logger->stream_.flush();
}

void Logger::dispatchMessage(QtMsgType type, const QString& text) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (standardErrorRouting_.value(type, false)) std::cerr << text.toStdString() << std::endl;
    if (fileRouting_.value(type, false)) writeLine(text);
    if (type == QtFatalMsg) std::abort();
}

void Logger::setRouting(QtMsgType type, bool toStandardError, bool toFile) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    standardErrorRouting_[type] = toStandardError;
    fileRouting_[type] = toFile;
}

void Logger::installMessageHandler() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    setRouting(QtDebugMsg, false, false);
    setRouting(QtInfoMsg, false, false);
    setRouting(QtWarningMsg, false, true);
    setRouting(QtCriticalMsg, false, true);
    setRouting(QtFatalMsg, false, true);
    if (handlerInstalled_) return;
    previousHandler_ = qInstallMessageHandler(logMessageHandler);
    handlerInstalled_ = true;
}

QString Logger::filePath() const {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    return file_ ? file_->fileName() : QString();
}

QString Logger::memoryText() const {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (!memory_) return QString();
    stream_.flush();
    return *memory_;
}

// ---------------------------------------------------------------------------
// Free functions
// ---------------------------------------------------------------------------
void logMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (Logger* logger = currentLogger.load()) logger->dispatchMessage(type, message);
}

QString defaultLogFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return QString();
    return data + QLatin1Char('/') + organisationName() + QLatin1Char('/') + applicationName() +
           QStringLiteral("/logs");
}

QDir logFolder() {
    return ensureLogger()->folder();
}

QDateTime sessionStartTime() {
    return ensureLogger()->startTime();
}

QString sessionLogBaseName() {
    return ensureLogger()->baseName();
}

QString crashDumpPath() {
    return sessionLogBaseName() + QStringLiteral(".dmp");
}

QFile* openLogFile(const QString& path) {
    auto* file = new QFile(path);
    if (file->open(QIODevice::Append | QIODevice::Text)) return file;
    // Appending would seek, which the null device refuses with a warning.
    file->setFileName(QString::fromLatin1(kNullDevice));
    if (file->open(QIODevice::WriteOnly | QIODevice::Text)) return file;
    delete file;
    return nullptr;
}
