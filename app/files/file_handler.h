// The one object through which images and projects enter and leave the
// document: it opens image files and images handed over by others (drops,
// downloads, the host bridge, the control file), exports the cut-out, writes
// the trimap, saves, loads and reverts projects, and keeps the lists of
// recent files and recent projects (newest first, at most five each, as
// canonical paths with native separators, under "FileHandling" in the
// settings).
//
// It reaches the window only through hooks (files/main_window_hooks.h): the
// question before work is thrown away, the parent of its dialogs, the
// status bar, bringing the window up and the run mode; and the view through
// showViewTab (model/view_hooks.h). Every dialog goes through the prompt
// service.
//
// A new image is refused, silently, while the engine is being started for
// the previous one (an engine init or begin-session command runs or waits).
// Nothing is written while the engine thread works or has work queued, or
// while the document has no status image: the engine may be writing the
// images then, and a project would lack its statuses. The user is told why.
//
// The engine thread's change count is recorded at every successful export
// and project save or load, so that the close question can tell whether
// anything changed since.
//
// User-interface thread only.
#ifndef APP_FILES_FILE_HANDLER_H
#define APP_FILES_FILE_HANDLER_H

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

class NamedImage;
class QWidget;
class ZtSourceImage;

class FileHandler : public QObject {
    Q_OBJECT
public:
    // Whether an operation that replaces the document asks first.
    enum LoseWorkCheck { AskFirst = 0, AlreadyAsked = 1 };
    // The file format of an export, from the save dialog's filter.
    enum ExportType { PngExport = 1, TiffExport = 2 };

    // Registers itself as the process-wide file handler and reads the recent lists.
    explicit FileHandler(QObject* parent = nullptr);
    ~FileHandler() override;

    // The file handler, or null while none exists.
    static FileHandler* instance();

    // The file the cut-out was last exported to; empty until the current image is exported.
    QString exportPath() const { return exportPath_; }
    // The current project file; empty when the document is not a project.
    QString projectPath() const { return projectPath_; }
    // The engine thread's change count at the last export, and at the last
    // project save or load (0 before).
    int cutoutSavedAt() const { return cutoutSavedAt_; }
    int projectSavedAt() const { return projectSavedAt_; }
    QStringList recentFiles() const { return recentFiles_; }
    QStringList recentProjects() const { return recentProjects_; }

    // The image open dialog over `parent`; remembers the chosen folder.
    QString askImageFilename(QWidget* parent);
    QString askImageFilename();

public slots:
    // Asks, then opens the image chosen in the open dialog.
    void fileOpenSlot();
    // Asks, then closes the document.
    void fileCloseSlot();
    // Exports the cut-out to the file it was last exported to; the save
    // dialog first when there is none.
    bool fileSaveSlot();
    // The save dialog, then the export. The file format follows the chosen
    // filter; a name with another suffix gets the filter's.
    bool fileSaveAsSlot();
    // Writes "<folder>/<name>_trimap.png" next to the source image.
    void saveTrimapSlot();

    // Saves the project to its file, or asks for one.
    void projectSaveSlot();
    void projectSaveAsSlot();
    // Asks, then loads the project chosen in the open dialog.
    void projectLoadSlot();
    // Loads a project file without asking; the project path becomes `name`
    // only when the project loads. An empty name reloads the current project.
    void loadProject(const QString& name);
    void loadProject();
    // Asks, then loads the current project file again.
    void projectRevertSlot();

    // Asks, then loads a project (suffix "oztp") or, in standalone mode, an image.
    void loadFile(const QString& name);
    // Loads an image file without asking.
    bool loadImage(const QString& name);
    // Opens a dropped or downloaded image, asking first unless `check` says
    // the question has been settled.
    bool loadImage(const NamedImage& image, FileHandler::LoseWorkCheck check);
    bool loadImage(const NamedImage& image);
    // Makes `source` (with `working`, or a copy of the source when null) the
    // document. False when it was refused: the caller still owns both then.
    bool openSourceImage(ZtSourceImage* source, ZtSourceImage* working);

    // The model announced a new image (or none): the export path is forgotten.
    void imageChangedSlot(const ZtSourceImage* image);

    // Asks, then opens the image chosen in the open dialog.
    void cutoutNewSlot();
    // Asks, then opens `name` (a recent file).
    void cutoutRecentSlot(const QString& name);
    // Asks, then closes the document.
    void cutoutDiscardSlot();

    // Saves `image` flattened onto a chequer board as PNG, under a name
    // chosen in the save dialog (starting from `name`'s folder and base name).
    void exportCutout(const QImage& image, const QString& name);
    void exportCutout(const QImage& image);

signals:
    void recentFilesChanged(QStringList files);
    void recentProjectsChanged(QStringList files);

private:
    bool useSourceImage(ZtSourceImage* source, ZtSourceImage* working);
    bool exportTo(const QString& path, int type);
    bool saveAs(const QString& defaultName);
    void saveProjectTo(const QString& path);
    void openChosenImage(const QString& formats);
    QString lastImageDir() const;
    void setLastImageDir(const QString& folder);
    // Adds `name` to `list` (kept under `key`); true when the list changed.
    bool addRecent(QStringList* list, const QString& key, const QString& name);
    void addRecentFile(const QString& name);
    void addRecentProject(const QString& name);

    QString exportPath_;
    int exportType_ = PngExport;
    QString projectPath_;
    int cutoutSavedAt_ = 0;
    int projectSavedAt_ = 0;
    QStringList recentFiles_;
    QStringList recentProjects_;
    // A project was loaded and its engine start may still wait for the
    // engine thread: the change count is recorded again once it is submitted.
    bool awaitingLoadedSession_ = false;
};

#endif
