#include "files/project_file.h"

#include "files/main_window_hooks.h"
#include "files/project_keys.h"
#include "files/project_stream.h"
#include "files/project_values.h"
#include "files/zt_source_image.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDataStream>
#include <QFileDevice>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include <exception>
#include <limits>

namespace project_file {

namespace {

QString translate(const char* text, const char* disambiguation) {
    return QCoreApplication::translate("FileHandler", text, disambiguation);
}

void warn(const QString& text) {
    promptService()->message(dialogParent(), PromptService::Kind::Warning, productName(), text,
                             PromptService::Ok);
}

// Restores the cursor however the write ends.
class WaitCursor {
public:
    WaitCursor() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            active_ = false;
    }
    ~WaitCursor() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_ = true;
};

void prepareStream(QDataStream& stream) {
    // Stream operators of the painter paths inside the shapes' maps.
    registerPainterPathType();
    stream.setVersion(QDataStream::Qt_4_5);
    stream.setByteOrder(QDataStream::BigEndian);
}

bool isVersionRead(qint32 version) {
    return version >= OldestVersion && version <= Version;
}

// Why the content cannot be loaded; empty when it can.
QString contentProblem(const QVariantMap& content) {
    const QString missing = project_keys::missingKey(content);
    if (!missing.isEmpty()) return missing;
    return project_values::problem(content);
}

} // namespace

QString extension() {
    return QStringLiteral("oztp");
}

QString description() {
    return translate("Zeltran Project", "[zt3]Description of .oztp (project) files");
}

bool write(QIODevice& device, quint16 checksum, const QVariant& content) {
    QDataStream stream(&device);
    prepareStream(stream);
    stream << Magic << Version << checksum;
    project_stream::write(stream, content);
    return stream.status() == QDataStream::Ok;
}

bool save(QSaveFile& file, quint16 checksum, const QVariant& content) {
    bool written = false;
    // A file that could not be opened (a read-only folder) takes nothing.
    if (file.isOpen()) {
        WaitCursor waiting;
        // The last bytes leave the file's buffer only when it is flushed:
        // commit() would not notice their write failing (a full disk) and
        // would put the cut-short file in place of the project.
        written = write(file, checksum, content) && file.flush();
    }
    QString error;
    if (!written) {
        error = file.errorString();
        if (file.isOpen()) {
            file.cancelWriting();
            file.commit(); // discards the temporary file
        }
    } else if (!file.commit()) {
        written = false;
        error = file.errorString();
    }
    if (written) return true;
    logStream() << "Saving project " << file.fileName() << " failed: " << error << endLogLine;
    warn(translate("Cannot save %1 file\n\n%2\n\n%3", "[zt3]")
             .arg(extension(), file.fileName(), error));
    return false;
}

ReadResult read(QIODevice& device) {
    ReadResult result;
    // The whole project in memory (a file mapped, not copied), so that every
    // count in it can be checked against the bytes that are really there.
    QByteArray copy;
    const uchar* data = nullptr;
    qint64 size = 0;
    auto* file = qobject_cast<QFileDevice*>(&device);
    const qint64 start = device.pos();
    uchar* mapped = nullptr;
    if (file && file->size() > start) {
        size = file->size() - start;
        mapped = file->map(start, size);
        data = mapped;
    }
    // Nothing read keeps pointing into the mapping: Qt's operators copy.
    struct Unmap {
        QFileDevice* file;
        uchar* mapped;
        ~Unmap() {
            if (mapped) file->unmap(mapped);
        }
    } unmap{file, mapped};
    if (!data) {
        copy = device.readAll();
        data = reinterpret_cast<const uchar*>(copy.constData());
        size = copy.size();
    }
    auto big32 = [data](qint64 at) {
        return quint32(data[at]) << 24 | quint32(data[at + 1]) << 16 | quint32(data[at + 2]) << 8 |
               data[at + 3];
    };

    if (size < 4 || qint32(big32(0)) != Magic) {
        result.status = ReadResult::NotAProject;
        return result;
    }
    if (size < 8) {
        result.problem = QStringLiteral("the file ends inside its frame");
        return result;
    }
    result.version = qint32(big32(4));
    if (!isVersionRead(result.version)) {
        result.status = ReadResult::UnsupportedVersion;
        return result;
    }
    if (size < 10) {
        result.problem = QStringLiteral("the file ends inside its frame");
        return result;
    }
    result.checksum = quint16(data[8] << 8 | data[9]);
    if (size > std::numeric_limits<int>::max()) {
        result.problem = QStringLiteral("the file is larger than any project");
        return result;
    }
    // The painter paths inside the shapes' maps are read by name.
    registerPainterPathType();
    QVariant content;
    std::size_t used = 0;
    if (!project_stream::read(data + 10, std::size_t(size - 10), &content, &used,
                              &result.problem)) {
        result.status = ReadResult::Damaged;
        return result;
    }
    if (mapped) file->seek(start + 10 + qint64(used));
    if (content.type() != QVariant::Map) {
        result.status = ReadResult::Damaged;
        result.problem = QStringLiteral("the content is no map of values");
        return result;
    }
    result.content = content.toMap();
    try {
        result.problem = contentProblem(result.content);
    } catch (const std::exception& error) {
        result.problem = QString::fromLocal8Bit(error.what());
    }
    result.status = result.problem.isEmpty() ? ReadResult::Read : ReadResult::Damaged;
    if (result.status != ReadResult::Read) result.content.clear();
    return result;
}

QVariant load(QIODevice& device, const QString& path, const ImageRule& rule) {
    const ReadResult result = read(device);
    switch (result.status) {
    case ReadResult::NotAProject:
        warn(translate("File is not of the correct format \n%1", "[zt3,gbx]").arg(path));
        return QVariant();
    case ReadResult::UnsupportedVersion:
        warn(translate("Cannot load unsupported version %1 of %2 file \n%3", "[zt3,gbx]")
                 .arg(result.version)
                 .arg(extension(), path));
        return QVariant();
    case ReadResult::Damaged:
        logStream() << "Project " << path << " is damaged: " << result.problem << endLogLine;
        warn(translate("Cannot load %1 file\n\n%2\n\nbecause it is damaged", "[zt3]")
                 .arg(extension(), path));
        return QVariant();
    case ReadResult::Read:
        break;
    }
    if (rule.mustMatch && (!rule.image || rule.image->checksum() != result.checksum)) {
        warn(translate("Cannot load %1 file\n\n%2\n\nbecause it was not created from the "
                       "current image",
                       "[zt3]")
                 .arg(extension(), path));
        return QVariant();
    }
    return result.content;
}

} // namespace project_file
