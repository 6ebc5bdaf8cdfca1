#include "files/project_file.h"

#include "files/main_window_hooks.h"
#include "files/project_keys.h"
#include "files/project_stream.h"
#include "files/zt_source_image.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDataStream>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

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

// Why an image map of the content cannot be used; empty when it can. A
// document always has both images, so a project without one makes none.
QString imageProblem(const QVariantMap& content, const QString& key) {
    const QVariantMap map = content.value(key).toMap();
    if (!map.value(QStringLiteral("valid_")).toBool()) return key + QStringLiteral(": no image");
    const int master =
        map.value(QStringLiteral("imageMaster_"), int(ZtSourceImage::DisplayMaster)).toInt();
    if (master == ZtSourceImage::DisplayMaster) {
        // The stream has decoded the display image already.
        if (map.value(QStringLiteral("imageImage_")).value<QImage>().isNull())
            return key + QStringLiteral(": the image cannot be read");
        return QString();
    }
    // Samples stored as PNG bytes: only decoding them tells.
    const ZtSourceImage image{QVariant(map)};
    if (!image.isValid()) return key + QStringLiteral(": the pixels cannot be read");
    return QString();
}

// Why the content cannot be loaded; empty when it can.
QString contentProblem(const QVariantMap& content) {
    const QString missing = project_keys::missingKey(content);
    if (!missing.isEmpty()) return missing;
    bool isNumber = false;
    const int factor = content.value(QStringLiteral("resolution_")).toInt(&isNumber);
    if (!isNumber || (factor != 1 && factor != 2 && factor != 4 && factor != 8))
        return QStringLiteral("resolution factor ") +
               content.value(QStringLiteral("resolution_")).toString();
    for (const QString& key : {QStringLiteral("segImg_"), QStringLiteral("blendImg_")}) {
        const QString problem = imageProblem(content, key);
        if (!problem.isEmpty()) return problem;
    }
    const QImage statuses = content.value(QStringLiteral("statusArray_")).value<QImage>();
    if (statuses.isNull()) return QStringLiteral("statusArray_: no status image");
    if (statuses.depth() != 8) return QStringLiteral("statusArray_: not one byte a pixel");
    return QString();
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
        // Flushed here: QSaveFile's commit does not see a failure of the last
        // flush (the one inside close), and would put a truncated project in
        // place of the last good one.
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
    QDataStream stream(&device);
    prepareStream(stream);

    qint32 magic = 0;
    stream >> magic;
    if (magic != Magic) {
        result.status = ReadResult::NotAProject;
        return result;
    }
    stream >> result.version;
    if (stream.status() != QDataStream::Ok) {
        result.problem = QStringLiteral("the file ends inside its frame");
        return result;
    }
    if (!isVersionRead(result.version)) {
        result.status = ReadResult::UnsupportedVersion;
        return result;
    }
    stream >> result.checksum;
    QVariant content;
    stream >> content;
    if (stream.status() != QDataStream::Ok) {
        result.status = ReadResult::Damaged;
        result.problem = QStringLiteral("the content is incomplete or unreadable");
        return result;
    }
    if (content.type() != QVariant::Map) {
        result.status = ReadResult::Damaged;
        result.problem = QStringLiteral("the content is no map of values");
        return result;
    }
    result.content = content.toMap();
    result.problem = contentProblem(result.content);
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
