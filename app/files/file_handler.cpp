#include "files/file_handler.h"

#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_begin_session.h"
#include "engine_bridge/vk_cmd_init.h"
#include "files/main_window_hooks.h"
#include "files/named_image.h"
#include "files/project_file.h"
#include "files/project_io.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_session.h"
#include "model/gm_status_array.h"
#include "model/view_hooks.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QSettings>

#include <memory>

namespace {

FileHandler* theHandler = nullptr;

// How long the file handler's status texts stay.
constexpr int kStatusMs = 2000;
constexpr int kMaxRecent = 5;

const char* const kGroup = "FileHandling";
const char* const kRecentFilesKey = "RecentFiles";
const char* const kRecentProjectsKey = "RecentProjects";
const char* const kLastImageDirKey = "LastImageDir";

QString translate(const char* text, const char* disambiguation = nullptr) {
    return QCoreApplication::translate("FileHandler", text, disambiguation);
}

QString unsavedChangesTitle() {
    return translate("Unsaved changes", "[all]");
}

void warn(const QString& title, const QString& text) {
    promptService()->message(dialogParent(), PromptService::Kind::Warning, title, text,
                             PromptService::Ok);
}

QString fileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

int changeCount() {
    VardekThread* thread = VardekThread::instance();
    return thread ? thread->changeCount() : 0;
}

bool isEngineStart(VardekCommand* command) {
    return qobject_cast<VkCmdInit*>(command) || qobject_cast<VkCmdBeginSession*>(command);
}

// Whether the engine thread is closed while it drains (a session reopening,
// the window closing): it would refuse the commands that end the old
// document and start a new one.
bool engineClosed() {
    VardekThread* thread = VardekThread::instance();
    return thread && !thread->isOpen();
}

// Whether a new image must wait: the engine is being started for the
// previous one (its init or begin-session command runs or waits), or the
// engine thread is closed.
bool mustWaitForEngine() {
    VardekThread* thread = VardekThread::instance();
    if (!thread) return false;
    if (!thread->isOpen() || isEngineStart(thread->currentCommand())) return true;
    for (VardekCommand* command : thread->queuedCommands())
        if (isEngineStart(command)) return true;
    return false;
}

// Whether the document may be written now; otherwise tells the user why.
// While the engine thread works it may be writing the statuses or the
// cut-out, and a document without a status image (its session still
// opening) would make a project that cannot be loaded.
bool readyToWrite() {
    VardekThread* thread = VardekThread::instance();
    if (thread && (thread->isBusy() || thread->queuedCount() > 0)) {
        warn(productName(), translate("%1 is still working on the image.\n\nPlease save again "
                                      "when it has finished.",
                                      "[zt3]")
                                .arg(productName()));
        return false;
    }
    if (GmModel::instance()->statusArray()->statusImage().isNull()) {
        warn(productName(),
             translate("The image is not ready to be saved yet.\n\nPlease save again when %1 "
                       "has prepared it.",
                       "[zt3]")
                 .arg(productName()));
        return false;
    }
    return true;
}

// The extension of a save dialog's filter: from its last "." up to, not
// including, its last character ("Tagged Image File Format (*.tif)" gives ".tif").
QString filterExtension(const QString& filter) {
    const int dot = filter.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || filter.size() - 1 <= dot) return QString();
    return filter.mid(dot, filter.size() - 1 - dot);
}

// Every file pattern the image library reads, joined by blanks.
QString readablePatterns() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return patterns.join(QLatin1Char(' '));
}

QString projectFilter() {
    return QStringLiteral("%1 (*.%2)").arg(project_file::description(), project_file::extension());
}

// "Cutout", added to a source image's name for the default name of its cut-out.
QString cutoutSuffix() {
    return translate("Cutout",
                     "[zt3]String added to the original filename to construct the default name "
                     "of the output file");
}

// The wait cursor while an image is read.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

FileHandler::FileHandler(QObject* parent) : QObject(parent) {
    theHandler = this;
    connect(GmModel::instance(), &GmModel::tellImageChanged, this, &FileHandler::imageChangedSlot);
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    recentFiles_ = settings.value(QLatin1String(kRecentFilesKey)).toStringList();
    recentProjects_ = settings.value(QLatin1String(kRecentProjectsKey)).toStringList();
}

FileHandler::~FileHandler() {
    if (theHandler == this) theHandler = nullptr;
}

FileHandler* FileHandler::instance() {
    return theHandler;
}

// ----- Opening images -----

QString FileHandler::askImageFilename(QWidget* parent) {
    const QString images = tr("Images (%1)", "[all]A description of the type of file we can load")
                               .arg(readablePatterns());
    QString selected = images;
    const QString name =
        promptService()->openFileName(parent, tr("Open", "[all]"), lastImageDir(),
                                      images + tr(";;All files (*)", "[all]"), &selected);
    if (!name.isEmpty()) setLastImageDir(QFileInfo(name).absolutePath());
    return name;
}

QString FileHandler::askImageFilename() {
    return askImageFilename(dialogParent());
}

void FileHandler::openChosenImage(const QString& patterns) {
    const QString images = tr("Images (%1)", "[all]").arg(patterns);
    QString selected = images;
    const QString name =
        promptService()->openFileName(dialogParent(), tr("Open", "[all]"), lastImageDir(),
                                      images + tr(";;All files (*)", "[all]"), &selected);
    if (!name.isEmpty()) loadImage(name);
}

void FileHandler::fileOpenSlot() {
    // An image chosen now would be refused: neither ask nor offer the dialog.
    if (mustWaitForEngine()) return;
    if (!confirmDiscardChanges(unsavedChangesTitle())) return;
    // The 16-bit TIFF reader is the program's own, not one of the library's formats.
    openChosenImage(readablePatterns() + QStringLiteral(" *.tif *.tiff"));
}

void FileHandler::cutoutNewSlot() {
    fileOpenSlot();
}

void FileHandler::cutoutRecentSlot(const QString& name) {
    if (mustWaitForEngine()) return;
    if (!confirmDiscardChanges(unsavedChangesTitle())) return;
    if (!name.isEmpty()) loadImage(name);
}

void FileHandler::loadFile(const QString& name) {
    if (QFileInfo(name).suffix() == project_file::extension()) {
        if (engineClosed()) return;
        if (!confirmDiscardChanges(unsavedChangesTitle())) return;
        loadProject(name);
        return;
    }
    // A host's or a control file's document takes no other image; asking
    // would only record an answer (the result code) for nothing.
    if (runMode() != StandaloneMode || mustWaitForEngine()) return;
    if (!confirmDiscardChanges(unsavedChangesTitle())) return;
    loadImage(name);
}

bool FileHandler::loadImage(const QString& name) {
    // Reading the file would be in vain.
    if (mustWaitForEngine()) return false;
    WaitCursor waiting;
    auto image = std::make_unique<ZtSourceImage>(name);
    if (!image->isValid() || !openSourceImage(image.get(), nullptr)) return false;
    image.release(); // the model's now
    return true;
}

bool FileHandler::loadImage(const NamedImage& named, LoseWorkCheck check) {
    if (mustWaitForEngine()) return false;
    if (check != AlreadyAsked && !confirmDiscardChanges(unsavedChangesTitle())) return false;
    auto image = std::make_unique<ZtSourceImage>(named);
    if (!image->isValid() || !openSourceImage(image.get(), nullptr)) return false;
    image.release(); // the model's now
    return true;
}

bool FileHandler::loadImage(const NamedImage& image) {
    return loadImage(image, AskFirst);
}

bool FileHandler::openSourceImage(ZtSourceImage* source, ZtSourceImage* working) {
    // A refused image changes nothing, not even the recent files.
    if (!source || mustWaitForEngine()) return false;
    addRecentFile(source->filename());
    return useSourceImage(source, working);
}

bool FileHandler::useSourceImage(ZtSourceImage* source, ZtSourceImage* working) {
    if (mustWaitForEngine()) return false;
    const QFileInfo file(source->filename());
    // A dropped image has a name but no folder of its own.
    if (file.exists()) setLastImageDir(file.absolutePath());
    showStatusMessage(source->filename(), kStatusMs);
    projectPath_.clear();
    awaitingLoadedSession_ = false;

    GmModel* model = GmModel::instance();
    model->closeImage();
    raiseMainWindow();
    if (!model->setImages(GmSession::SettingsForNewImage, GmModel::OpenedFromImage, source,
                          working))
        return false;
    showViewTab(WorkspaceTabRequest);
    return true;
}

void FileHandler::imageChangedSlot(const ZtSourceImage* image) {
    exportPath_.clear();
    // A loaded project's engine start, session and patches are submitted
    // once the engine thread has drained, often after loadProject returned;
    // the model announces the image when they all are. Only then is the
    // change count that of the project as loaded.
    if (image && awaitingLoadedSession_) {
        awaitingLoadedSession_ = false;
        projectSavedAt_ = changeCount();
    }
}

// ----- Closing -----

void FileHandler::fileCloseSlot() {
    if (!confirmDiscardChanges(unsavedChangesTitle())) return;
    projectPath_.clear();
    awaitingLoadedSession_ = false;
    GmModel::instance()->closeImage();
}

void FileHandler::cutoutDiscardSlot() {
    fileCloseSlot();
}

// ----- Exporting -----

bool FileHandler::fileSaveSlot() {
    if (!GmModel::instance()->workingImage()) return false;
    if (exportPath_.isEmpty()) return fileSaveAsSlot();
    const bool saved = exportTo(exportPath_, exportType_);
    if (saved) cutoutSavedAt_ = changeCount();
    return saved;
}

bool FileHandler::fileSaveAsSlot() {
    GmModel* model = GmModel::instance();
    if (!model->workingImage()) return false;
    const QFileInfo source(model->sourceImage() ? model->sourceImage()->filename() : QString());
    // A dropped image's name has no folder: its cut-out goes where images were last opened.
    const QString folder = source.isAbsolute() ? source.absolutePath() : lastImageDir();
    return saveAs(QStringLiteral("%1/%2%3").arg(folder, source.completeBaseName(), cutoutSuffix()));
}

bool FileHandler::saveAs(const QString& defaultName) {
    // Say so before the user chooses a name in vain.
    if (!readyToWrite()) return false;
    const QString png =
        QStringLiteral("%1 %2").arg(QStringLiteral("Portable Network Graphics"), "(*.png)");
    const QString tiff =
        QStringLiteral("%1 (*.tif)").arg(QStringLiteral("Tagged Image File Format"));
    QString filter;
    QString name = promptService()->saveFileName(dialogParent(), tr("Save As", "[zt3]"),
                                                 exportPath_.isEmpty() ? defaultName : exportPath_,
                                                 png + QStringLiteral(";;") + tiff, &filter);
    if (name.isEmpty()) return false;
    QString extension = filterExtension(filter);
    if (extension.isEmpty()) extension = QStringLiteral(".png");

    const QFileInfo chosen(name);
    const QString suffix = chosen.suffix().toLower();
    if (suffix.isEmpty()) {
        name += extension;
    } else if (suffix != QLatin1String("png") && suffix != QLatin1String("tif") &&
               suffix != QLatin1String("tiff")) {
        // The file is written in the format of the chosen filter, so it takes
        // that filter's extension (photo.jpg with the TIFF filter is photo.tif).
        const QString replaced =
            QDir(chosen.path()).filePath(chosen.completeBaseName() + extension);
        warn(tr("Save As", "[zt3]"),
             tr("<p>To preserve the transparency of the background, cut-outs can be saved only "
                "in PNG or TIF format.</p><p>The filename: <font color=blue>%1</font> will be "
                "replaced by <font color=blue>%3</font></p>",
                "[zt3]")
                 .arg(chosen.fileName(), fileNameOf(replaced)));
        name = replaced;
    }
    const QString type = extension.toLower();
    const int exportType =
        type == QLatin1String(".tif") || type == QLatin1String(".tiff") ? TiffExport : PngExport;

    setLastImageDir(QFileInfo(name).absolutePath());
    exportPath_ = name;
    exportType_ = exportType;
    const bool saved = exportTo(name, exportType);
    if (saved) cutoutSavedAt_ = changeCount();
    return saved;
}

bool FileHandler::exportTo(const QString& path, int type) {
    if (!readyToWrite()) return false;
    showStatusMessage(tr("Saving cut-out %1...", "[zt3]").arg(fileNameOf(path)), kStatusMs);
    ZtSourceImage* working = GmModel::instance()->workingImage();
    if (!working) return false;
    working->setFilename(path);
    working->setFileType(type);
    if (working->save()) return true;
    warn(productName(), tr("Could not save cut-out to file\n%1", "[zt3]").arg(path));
    return false;
}

void FileHandler::saveTrimapSlot() {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage() || !readyToWrite()) return;
    const QFileInfo source(model->sourceImage()->filename());
    const QString name =
        QStringLiteral("%1/%2_trimap.png").arg(source.absolutePath(), source.completeBaseName());
    const bool saved = model->statusArray()->trimap().save(name);
    promptService()->message(
        dialogParent(), PromptService::Kind::Information, QStringLiteral("Save Trimap"),
        QStringLiteral("Save trimap to\n%1\n\n%2")
            .arg(name, saved ? QStringLiteral("OK") : QStringLiteral("Failed")),
        PromptService::Ok);
}

void FileHandler::exportCutout(const QImage& image, const QString& name) {
    const QFileInfo info(name);
    const QString folder = name.isEmpty() ? lastImageDir() : info.absolutePath();
    const QString filter = tr("Cutouts (*.png)", "[dazzopro]filename filter for export cutout");
    QString chosenFilter = filter;
    QString chosen = promptService()->saveFileName(
        dialogParent(), tr("Save cutout", "[dazzopro]Caption for export cutout"),
        QStringLiteral("%1/%2%3").arg(folder, info.completeBaseName(), cutoutSuffix()), filter,
        &chosenFilter);
    if (chosen.isEmpty()) return;
    if (QFileInfo(chosen).suffix().isEmpty()) {
        const QString extension = filterExtension(chosenFilter.isEmpty() ? filter : chosenFilter);
        chosen += extension.isEmpty() ? QStringLiteral(".png") : extension;
    }

    // Flattened onto a chequer board: white, with dark grey squares.
    QImage tile(80, 80, QImage::Format_RGB32);
    tile.fill(Qt::white);
    {
        QPainter painter(&tile);
        painter.fillRect(40, 0, 40, 40, Qt::darkGray);
        painter.fillRect(0, 40, 40, 40, Qt::darkGray);
    }
    QImage flat(image.size(), QImage::Format_RGB32);
    {
        QPainter painter(&flat);
        painter.fillRect(flat.rect(), QBrush(tile));
        painter.drawImage(0, 0, image);
    }
    if (!flat.save(chosen, "PNG"))
        warn(productName(), tr("Could not save cut-out to file\n%1", "[zt3]").arg(chosen));
}

void FileHandler::exportCutout(const QImage& image) {
    exportCutout(image, QString());
}

// ----- Projects -----

void FileHandler::projectSaveSlot() {
    if (projectPath_.isEmpty())
        projectSaveAsSlot();
    else
        saveProjectTo(projectPath_);
}

void FileHandler::projectSaveAsSlot() {
    // Say so before the user chooses a name in vain.
    if (!readyToWrite()) return;
    const ZtSourceImage* source = GmModel::instance()->sourceImage();
    const QString base = source ? QFileInfo(source->filename()).completeBaseName() : QString();
    QString name = promptService()->saveFileName(
        dialogParent(), tr("Save Project", "[zt3]"),
        QStringLiteral("%1/%2.%3").arg(lastImageDir(), base, project_file::extension()),
        projectFilter());
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix() != project_file::extension())
        name += QStringLiteral(".%1").arg(project_file::extension());
    setLastImageDir(QFileInfo(name).absolutePath());
    projectPath_ = name;
    saveProjectTo(name);
    addRecentProject(name);
}

void FileHandler::saveProjectTo(const QString& path) {
    if (!readyToWrite()) return;
    showStatusMessage(tr("Saving project %1...", "[zt3]").arg(fileNameOf(path)), kStatusMs);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        warn(productName(), tr("Could not open file \n%1", "[zt3]").arg(path));
        return;
    }
    // A save that failed has been reported, and saved nothing.
    if (project_io::saveProject(file)) projectSavedAt_ = changeCount();
}

void FileHandler::projectLoadSlot() {
    if (engineClosed()) return;
    if (!confirmDiscardChanges(unsavedChangesTitle())) return;
    const QString name = promptService()->openFileName(dialogParent(), tr("Load Project", "[zt3]"),
                                                       lastImageDir(), projectFilter());
    if (!name.isEmpty()) loadProject(name);
}

void FileHandler::loadProject(const QString& name) {
    if (engineClosed()) return;
    if (!name.isEmpty()) setLastImageDir(QFileInfo(name).absolutePath());
    const QString path = name.isEmpty() ? projectPath_ : name;
    if (path.isEmpty()) return;
    showStatusMessage(tr("Loading Project %1...", "[zt3]").arg(fileNameOf(path)), kStatusMs);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(productName(), tr("Could not open file\n%1", "[zt3]").arg(path));
        return;
    }
    awaitingLoadedSession_ = true;
    if (!project_io::loadProject(file, path)) {
        // Refused: the document, and the project it came from, stay.
        awaitingLoadedSession_ = false;
        return;
    }
    projectPath_ = path;
    projectSavedAt_ = changeCount();
    if (!name.isEmpty()) addRecentProject(name);
}

void FileHandler::loadProject() {
    loadProject(QString());
}

void FileHandler::projectRevertSlot() {
    if (projectPath_.isEmpty() || engineClosed()) return;
    if (!confirmDiscardChanges(tr("Reverting project...", "[zt3]"))) return;
    loadProject();
}

// ----- Settings and recent lists -----

QString FileHandler::lastImageDir() const {
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    return settings.value(QLatin1String(kLastImageDirKey), QDir::homePath()).toString();
}

void FileHandler::setLastImageDir(const QString& folder) {
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    settings.setValue(QLatin1String(kLastImageDirKey), folder);
}

bool FileHandler::addRecent(QStringList* list, const QString& key, const QString& name) {
    const QFileInfo file(name);
    if (name.isEmpty() || !file.exists()) return false;
    const QString entry = QDir::toNativeSeparators(file.canonicalFilePath());
    if (!list->isEmpty() && list->first() == entry) return false;
    list->removeAll(entry);
    list->prepend(entry);
    while (list->size() > kMaxRecent)
        list->removeLast();
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    settings.setValue(key, *list);
    return true;
}

void FileHandler::addRecentFile(const QString& name) {
    if (addRecent(&recentFiles_, QLatin1String(kRecentFilesKey), name))
        emit recentFilesChanged(recentFiles_);
}

void FileHandler::addRecentProject(const QString& name) {
    if (addRecent(&recentProjects_, QLatin1String(kRecentProjectsKey), name))
        emit recentProjectsChanged(recentProjects_);
}
