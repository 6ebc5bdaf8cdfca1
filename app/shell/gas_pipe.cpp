#include "shell/gas_pipe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

const char* const kInputId = "imageIn";
const char* const kOutputId = "imageOut";
const char* const kSourceAttribute = "src";

struct ControlFileState {
    std::unique_ptr<GasPipe> current;
    QString inputPath;
    QString outputPath;
};

ControlFileState& state() {
    static ControlFileState state;
    return state;
}

} // namespace

GasPipe::GasPipe(const QString& fileName, QObject* parent)
    : QObject(parent), fileName_(fileName), document_(QStringLiteral("GasPipe")) {}

bool GasPipe::load() {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly))
        throw QStringLiteral("Unable to open XML control file: ") + fileName_;
    QDomDocument document(QStringLiteral("GasPipe"));
    if (!document.setContent(&file)) return false;
    document_ = document;
    buildIndex();

    const QString src = QString::fromLatin1(kSourceAttribute);
    state().inputPath = resolvedPath(attribute(QString::fromLatin1(kInputId), src));
    state().outputPath = resolvedPath(attribute(QString::fromLatin1(kOutputId), src));
    return true;
}

void GasPipe::buildIndex() {
    index_.clear();
    indexElement(document_.documentElement());
}

void GasPipe::indexElement(const QDomElement& element) {
    // Depth first, children in document order, so that a later element
    // replaces an earlier one with the same id.
    const QString id = QStringLiteral("id");
    if (element.hasAttribute(id)) index_.insert(element.attribute(id), element);
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        indexElement(child);
}

QDomElement GasPipe::element(const QString& id) const {
    return index_.value(id);
}

QString GasPipe::attribute(const QString& id, const QString& name) const {
    return element(id).attribute(name);
}

QString GasPipe::resolvedPath(const QString& src) const {
    return QDir(QFileInfo(fileName_).absolutePath()).filePath(src);
}

GasPipe* currentControlFile() {
    return state().current.get();
}

void setCurrentControlFile(GasPipe* controlFile) {
    if (state().current.get() == controlFile) return;
    state().current.reset(controlFile);
}

QString controlFileInputPath() {
    return state().inputPath;
}

QString controlFileOutputPath() {
    return state().outputPath;
}
