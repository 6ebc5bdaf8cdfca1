// The file handler over a real document: images opened and refused, the
// cut-out exported in the format of the chosen filter, projects saved,
// refused and loaded, the recent lists, and nothing written while the engine
// thread works. The window's question is answered by a hook, every dialog by
// the scripted prompt service.
#include "document_fixture.h"

#include "engine_bridge/fake_command.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/named_image.h"
#include "files/project_file.h"
#include "files/zt_source_image.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/view_hooks.h"
#include "model/zt_rectangle.h"
#include "support/test_environment.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

using test_support::prompts;
using Dialog = test_support::ScriptedPromptService::Dialog;

const QString kPngFilter = QStringLiteral("Portable Network Graphics (*.png)");
const QString kTiffFilter = QStringLiteral("Tagged Image File Format (*.tif)");

// What a file holds, told by its first bytes.
QString formatOf(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return QStringLiteral("none");
    const QByteArray start = in.read(8);
    if (start.startsWith("\x89PNG")) return QStringLiteral("PNG");
    if (start.startsWith("II*") || start.startsWith(QByteArray("MM\0*", 4)))
        return QStringLiteral("TIFF");
    if (start.startsWith(QByteArray("\x08\xE1\x16\x02", 4))) return QStringLiteral("project");
    return QStringLiteral("other");
}

// How the recent lists name a file.
QString recentEntry(const QString& file) {
    return QDir::toNativeSeparators(QFileInfo(file).canonicalFilePath());
}

QImage plainImage(QRgb colour) {
    QImage image(24, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

class FileHandlerTest : public DocumentFixture {
protected:
    FileHandlerTest() {
        QSettings().remove(QStringLiteral("FileHandling"));
        setConfirmDiscardHook([this](const QString& title) {
            questions_ << title;
            return true;
        });
        setStatusMessageHook([this](const QString& text, int) { statusTexts_ << text; });
        setShowViewTabHook([this](int tab) { shownTabs_ << tab; });
        handler_ = std::make_unique<FileHandler>();
    }
    ~FileHandlerTest() override {
        handler_.reset();
        setConfirmDiscardHook(nullptr);
        setStatusMessageHook(nullptr);
        setShowViewTabHook(nullptr);
    }

    QString path(const QString& name) const { return folder_.filePath(name); }

    // Writes a plain image file into the test's folder; answers its path.
    QString imageFile(const QString& name, QRgb colour = qRgb(90, 120, 60)) {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        EXPECT_TRUE(plainImage(colour).save(file));
        return file;
    }

    // Opens `file` through the handler and waits until its session has begun.
    void open(const QString& file) {
        QSignalSpy begun(model(), &GmModel::sessionHasBegun);
        ASSERT_TRUE(handler_->loadImage(file));
        ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
        waitIdle();
    }

    // Saves the document as a project through the save dialog.
    void saveProjectAs(const QString& file) {
        prompts().answerFileName(file);
        handler_->projectSaveAsSlot();
        ASSERT_EQ(formatOf(handler_->projectPath()), QStringLiteral("project"));
    }

    // Loads `file` through the handler and waits until the engine is idle again.
    void loadProject(const QString& file) {
        QSignalSpy begun(model(), &GmModel::sessionHasBegun);
        handler_->loadProject(file);
        ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
        waitIdle();
    }

    std::unique_ptr<FileHandler> handler_;
    QStringList questions_;
    QStringList statusTexts_;
    QList<int> shownTabs_;

private:
    QTemporaryDir folder_;
};

TEST_F(FileHandlerTest, OpeningAnImageMakesItTheDocumentAndShowsTheWorkspace) {
    const QString file = imageFile(QStringLiteral("photos/a.png"));
    open(file);
    ASSERT_NE(model()->sourceImage(), nullptr);
    EXPECT_EQ(model()->sourceImage()->filename(), file);
    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromImage);
    EXPECT_EQ(shownTabs_, QList<int>{WorkspaceTabRequest});
    EXPECT_EQ(statusTexts_, QStringList{file});
    EXPECT_TRUE(questions_.isEmpty()); // loadImage does not ask
    EXPECT_EQ(QSettings().value(QStringLiteral("FileHandling/LastImageDir")).toString(),
              QFileInfo(file).absolutePath());

    // A file no reader takes is reported by the image and changes nothing.
    QFile junk(path(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image");
    junk.close();
    prompts().answer(PromptService::Ok);
    EXPECT_FALSE(handler_->loadImage(junk.fileName()));
    EXPECT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(model()->sourceImage()->filename(), file);
    EXPECT_EQ(handler_->recentFiles().size(), 1);
}

TEST_F(FileHandlerTest, SaveAsWritesTheFormatOfTheChosenFilterUnderAFittingName) {
    open(imageFile(QStringLiteral("a.png")));
    struct Case {
        const char* typed;
        const QString& filter;
        const char* written;
        const char* format;
        bool warned;
    };
    const Case cases[] = {
        {"photo.jpg", kPngFilter, "photo.png", "PNG", true},
        {"photo", kTiffFilter, "photo.tif", "TIFF", false},
        {"photo.tif", kPngFilter, "photo.tif", "PNG", false},
        {"photo.jpg", kTiffFilter, "photo.tif", "TIFF", true},
        {"photo.TIFF", kTiffFilter, "photo.TIFF", "TIFF", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString folder = path(QStringLiteral("case%1").arg(n++));
        ASSERT_TRUE(QDir().mkpath(folder));
        prompts().reset();
        prompts().answerFileName(folder + QLatin1Char('/') + QLatin1String(c.typed), c.filter);
        if (c.warned) prompts().answer(PromptService::Ok);
        EXPECT_TRUE(handler_->fileSaveAsSlot());

        const QString written = folder + QLatin1Char('/') + QLatin1String(c.written);
        EXPECT_EQ(formatOf(written), QLatin1String(c.format));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QLatin1String(c.written)});
        EXPECT_EQ(handler_->exportPath(), written);
        ASSERT_EQ(prompts().asked().size(), c.warned ? 2 : 1);
        EXPECT_EQ(prompts().asked()[0].filter, kPngFilter + QStringLiteral(";;") + kTiffFilter);
        if (c.warned) {
            EXPECT_EQ(prompts().asked()[1].text,
                      QStringLiteral("<p>To preserve the transparency of the background, cut-outs "
                                     "can be saved only in PNG or TIF format.</p><p>The filename: "
                                     "<font color=blue>%1</font> will be replaced by <font "
                                     "color=blue>%2</font></p>")
                          .arg(QLatin1String(c.typed), QLatin1String(c.written)));
        }
    }
}

TEST_F(FileHandlerTest, AfterAnExportSaveAsksNothingUntilAnotherImageOpens) {
    const QString first = imageFile(QStringLiteral("first.png"));
    open(first);
    // The first save offers the source's name with "Cutout".
    const QString out = path(QStringLiteral("out.png"));
    prompts().answerFileName(out, kPngFilter);
    ASSERT_TRUE(handler_->fileSaveSlot());
    EXPECT_EQ(prompts().asked()[0].text, path(QStringLiteral("firstCutout")));
    EXPECT_EQ(handler_->cutoutSavedAt(), thread().changeCount());
    EXPECT_TRUE(statusTexts_.contains(QStringLiteral("Saving cut-out out.png...")));

    stroke(QPointF(2, 2), QPointF(20, 2), VkStatusKeep, VkScopeExact);
    ASSERT_TRUE(QFile::remove(out));
    prompts().reset();
    ASSERT_TRUE(handler_->fileSaveSlot());
    EXPECT_TRUE(prompts().asked().isEmpty());
    EXPECT_EQ(formatOf(out), QStringLiteral("PNG"));
    EXPECT_EQ(handler_->cutoutSavedAt(), thread().changeCount());

    // Another image: the next save asks again, from that image's name.
    open(imageFile(QStringLiteral("second.png")));
    EXPECT_TRUE(handler_->exportPath().isEmpty());
    prompts().answerFileName(QString());
    EXPECT_FALSE(handler_->fileSaveSlot());
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].dialog, Dialog::SaveFileName);
    EXPECT_EQ(prompts().asked()[0].text, path(QStringLiteral("secondCutout")));
}

TEST_F(FileHandlerTest, TheTrimapGoesNextToTheImageAndAnExportedCutoutIsFlattened) {
    const QString file = imageFile(QStringLiteral("cat.png"));
    open(file);
    stroke(QPointF(2, 4), QPointF(20, 4), VkStatusKeep, VkScopeExact);
    prompts().answer(PromptService::Ok);
    handler_->saveTrimapSlot();
    const QString trimap = path(QStringLiteral("cat_trimap.png"));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].title, QStringLiteral("Save Trimap"));
    EXPECT_EQ(prompts().asked()[0].text, QStringLiteral("Save trimap to\n%1\n\nOK").arg(trimap));
    const QImage written(trimap);
    ASSERT_EQ(written.size(), QSize(24, 16));
    EXPECT_EQ(written.pixelColor(10, 4), QColor(Qt::white));
    EXPECT_EQ(written.pixelColor(10, 12), QColor(128, 128, 128));

    // Transparent but for an opaque red corner: the chequer board shows through.
    QImage cutout(100, 100, QImage::Format_ARGB32);
    cutout.fill(Qt::transparent);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            cutout.setPixel(x, y, qRgba(255, 0, 0, 255));
    prompts().reset();
    prompts().answerFileName(path(QStringLiteral("flat")));
    handler_->exportCutout(cutout, file);
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].title, QStringLiteral("Save cutout"));
    EXPECT_EQ(prompts().asked()[0].text, path(QStringLiteral("catCutout")));
    const QImage flat(path(QStringLiteral("flat.png")));
    ASSERT_FALSE(flat.isNull());
    EXPECT_FALSE(flat.hasAlphaChannel());
    EXPECT_EQ(flat.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(flat.pixelColor(20, 20), QColor(Qt::white));
    EXPECT_EQ(flat.pixelColor(60, 20), QColor(Qt::darkGray));
    EXPECT_EQ(flat.pixelColor(20, 60), QColor(Qt::darkGray));
    EXPECT_EQ(flat.pixelColor(60, 60), QColor(Qt::white));
    EXPECT_EQ(flat.pixelColor(90, 50), QColor(Qt::darkGray)); // the next tile
}

TEST_F(FileHandlerTest, AProjectNameGetsTheProjectSuffixUnlessItEndsInExactlyThat) {
    open(imageFile(QStringLiteral("work.png")));
    struct Case {
        const char* typed;
        const char* written;
    };
    const Case cases[] = {
        {"work", "work.oztp"}, {"work.OZTP", "work.OZTP.oztp"}, {"other.oztp", "other.oztp"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        prompts().reset();
        const QString written = path(QLatin1String(c.written));
        saveProjectAs(path(QLatin1String(c.typed)));
        EXPECT_EQ(prompts().asked().size(), 1);
        EXPECT_EQ(handler_->projectPath(), written);
        EXPECT_EQ(handler_->recentProjects().value(0), recentEntry(written));
        EXPECT_EQ(handler_->projectSavedAt(), thread().changeCount());
    }
    // The dialog starts in the last image folder with the image's name.
    EXPECT_EQ(prompts().asked()[0].text, path(QStringLiteral("work.oztp")));
    EXPECT_EQ(prompts().asked()[0].filter, QStringLiteral("Zeltran Project (*.oztp)"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("work.OZTP"))));
}

TEST_F(FileHandlerTest, RecentFilesKeepOneEntryPerFileAndTheFiveNewest) {
    QSignalSpy changed(handler_.get(), &FileHandler::recentFilesChanged);
    const QString a = imageFile(QStringLiteral("a.png"));
    open(a);
    // The same file by another way: one entry, in canonical form.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("sub"))));
    open(path(QStringLiteral("sub/../a.png")));
    EXPECT_EQ(handler_->recentFiles(), QStringList{recentEntry(a)});
    EXPECT_EQ(changed.count(), 1);

    QStringList expected{recentEntry(a)};
    for (int i = 1; i <= 5; ++i) {
        const QString file = imageFile(QStringLiteral("f%1.png").arg(i), qRgb(10 * i, 30, 60));
        open(file);
        expected.prepend(recentEntry(file));
    }
    expected.removeLast(); // the sixth drops the oldest
    EXPECT_EQ(handler_->recentFiles(), expected);
    EXPECT_EQ(changed.count(), 6);
    EXPECT_EQ(changed.last().at(0).toStringList(), expected);
    EXPECT_EQ(QSettings().value(QStringLiteral("FileHandling/RecentFiles")).toStringList(),
              expected);

    // An image without a file of its own opens and leaves the list alone.
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    ASSERT_TRUE(handler_->loadImage(
        NamedImage(plainImage(qRgb(1, 2, 3)), QUrl(QStringLiteral("http://127.0.0.1/gone.png"))),
        FileHandler::AlreadyAsked));
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    EXPECT_EQ(handler_->recentFiles(), expected);
    EXPECT_EQ(changed.count(), 6);
    EXPECT_TRUE(questions_.isEmpty());

    // A new handler reads the lists back.
    handler_ = std::make_unique<FileHandler>();
    EXPECT_EQ(handler_->recentFiles(), expected);
}

TEST_F(FileHandlerTest, ARefusedProjectKeepsTheProjectPathThatSaveProjectWritesTo) {
    open(imageFile(QStringLiteral("a.png")));
    const QString a = path(QStringLiteral("a.oztp"));
    saveProjectAs(a);

    // A project of a version this program cannot read.
    const QString newer = path(QStringLiteral("newer.oztp"));
    {
        QFile out(newer);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        QDataStream stream(&out);
        stream.setVersion(QDataStream::Qt_4_5);
        stream << project_file::Magic << qint32(12) << quint16(0) << QVariant(QVariantMap());
    }
    QFile in(newer);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray newerBytes = in.readAll();
    in.close();

    prompts().reset();
    prompts().answer(PromptService::Ok);
    handler_->loadProject(newer);
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].text,
              QStringLiteral("Cannot load unsupported version 12 of oztp file \n") + newer);
    EXPECT_EQ(handler_->projectPath(), a);
    EXPECT_EQ(handler_->recentProjects(), QStringList{recentEntry(a)});

    // A file that cannot be opened is the handler's own message.
    prompts().reset();
    prompts().answer(PromptService::Ok);
    handler_->loadProject(path(QStringLiteral("missing.oztp")));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].text,
              QStringLiteral("Could not open file\n") + path(QStringLiteral("missing.oztp")));
    EXPECT_EQ(handler_->projectPath(), a);

    // Save Project writes the project it came from, and leaves the refused file alone.
    ASSERT_TRUE(QFile::remove(a));
    prompts().reset();
    handler_->projectSaveSlot();
    EXPECT_TRUE(prompts().asked().isEmpty());
    EXPECT_EQ(formatOf(a), QStringLiteral("project"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), newerBytes);
}

TEST_F(FileHandlerTest, AProjectThatCannotBeWrittenIsNotRecordedAsSaved) {
    open(imageFile(QStringLiteral("a.png")));
    const QString file = path(QStringLiteral("a.oztp"));
    saveProjectAs(file);
    const int savedAt = handler_->projectSavedAt();
    ASSERT_EQ(savedAt, thread().changeCount());
    stroke(QPointF(2, 2), QPointF(20, 2), VkStatusKeep, VkScopeExact);
    ASSERT_GT(thread().changeCount(), savedAt);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray savedBytes = saved.readAll();
    saved.close();

    // The file opens, then every write beyond a few bytes fails (the last
    // ones only when the file is flushed).
    prompts().reset();
    prompts().answer(PromptService::Ok);
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit tiny = before;
    tiny.rlim_cur = 512;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    handler_->projectSaveSlot();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_TRUE(prompts().asked()[0].text.startsWith(QStringLiteral("Cannot save oztp file")))
        << prompts().asked()[0].text.toStdString();
    EXPECT_EQ(handler_->projectSavedAt(), savedAt);
    // The project saved before is still there, whole.
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), savedBytes);
    saved.close();

    // A folder that does not exist: the file cannot be opened.
    const QString nowhere = path(QStringLiteral("nowhere/b.oztp"));
    prompts().reset();
    prompts().answerFileName(nowhere);
    prompts().answer(PromptService::Ok);
    handler_->projectSaveAsSlot();
    ASSERT_EQ(prompts().asked().size(), 2);
    EXPECT_EQ(prompts().asked()[1].text, QStringLiteral("Could not open file \n") + nowhere);
    EXPECT_EQ(handler_->projectSavedAt(), savedAt);
}

TEST_F(FileHandlerTest, NothingIsWrittenWhileTheEngineWorksOrWithoutAStatusImage) {
    // Without a document there is no status image.
    prompts().answer(PromptService::Ok);
    handler_->projectSaveAsSlot();
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].dialog, Dialog::Message);
    EXPECT_TRUE(prompts().asked()[0].text.startsWith(
        QStringLiteral("The image is not ready to be saved yet.")));

    open(imageFile(QStringLiteral("a.png")));
    const QString out = path(QStringLiteral("out.png"));
    prompts().reset();
    prompts().answerFileName(out, kPngFilter);
    ASSERT_TRUE(handler_->fileSaveAsSlot());
    ASSERT_TRUE(QFile::remove(out));

    Journal journal;
    Gate gate;
    FakeBehaviour held;
    held.execute = waitAt(gate);
    thread().submit(new FakeCommand(journal, QStringLiteral("held"), held));
    ASSERT_TRUE(thread().isBusy());
    const QString busy = QStringLiteral("Zeltran 3 is still working on the image.\n\nPlease save "
                                        "again when it has finished.");
    struct Case {
        const char* what;
        std::function<void()> save;
    };
    const Case cases[] = {
        {"Save", [this] { EXPECT_FALSE(handler_->fileSaveSlot()); }},
        {"Save As", [this] { EXPECT_FALSE(handler_->fileSaveAsSlot()); }},
        {"Save Project", [this] { handler_->projectSaveSlot(); }},
        {"Save Project As", [this] { handler_->projectSaveAsSlot(); }},
        {"Save Trimap", [this] { handler_->saveTrimapSlot(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        prompts().answer(PromptService::Ok);
        c.save();
        ASSERT_EQ(prompts().asked().size(), 1);
        EXPECT_EQ(prompts().asked()[0].text, busy);
    }
    gate.open();
    waitIdle();
    EXPECT_EQ(QDir(path(QString()))
                  .entryList({QStringLiteral("*.oztp"), QStringLiteral("out*"),
                              QStringLiteral("*_trimap.png")},
                             QDir::Files),
              QStringList());
    EXPECT_EQ(handler_->projectSavedAt(), 0);

    // Idle again: the export goes where it went before.
    prompts().reset();
    EXPECT_TRUE(handler_->fileSaveSlot());
    EXPECT_EQ(formatOf(out), QStringLiteral("PNG"));
}

TEST_F(FileHandlerTest, ANewImageWaitsForTheEngineStartOfThePreviousOne) {
    const QString a = imageFile(QStringLiteral("a.png"));
    const QString b = imageFile(QStringLiteral("b.png"), qRgb(200, 30, 30));
    Journal journal;
    Gate gate;
    FakeBehaviour held;
    held.execute = waitAt(gate);
    thread().submit(new FakeCommand(journal, QStringLiteral("held"), held));

    // The first image opens; its engine start waits behind the held command.
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    ASSERT_TRUE(handler_->loadImage(a));
    ZtSourceImage* first = model()->sourceImage();

    // Nothing else opens meanwhile, and nobody is asked.
    EXPECT_FALSE(handler_->loadImage(b));
    handler_->loadFile(b);
    handler_->cutoutRecentSlot(b);
    handler_->fileOpenSlot();
    EXPECT_FALSE(handler_->loadImage(NamedImage(plainImage(qRgb(5, 5, 5)), QUrl())));
    EXPECT_TRUE(questions_.isEmpty());
    EXPECT_TRUE(prompts().asked().isEmpty());
    EXPECT_EQ(model()->sourceImage(), first);
    EXPECT_EQ(handler_->recentFiles(), QStringList{recentEntry(a)});

    gate.open();
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    handler_->loadFile(b);
    EXPECT_EQ(questions_, QStringList{QStringLiteral("Unsaved changes")});
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 2; }));
    waitIdle();
    EXPECT_EQ(model()->sourceImage()->filename(), b);
}

TEST_F(FileHandlerTest, AHostTakesProjectsButNoOtherImage) {
    open(imageFile(QStringLiteral("host.png")));
    auto* patch = new RectRegion(QPointF(2, 2));
    patch->rectangle()->dragCorner(QPointF(12, 10));
    patch->beginSubSession(nullptr);
    waitIdle();
    const QString project = path(QStringLiteral("host.oztp"));
    saveProjectAs(project);
    model()->deleteRegion(patch);
    waitIdle();

    const RunModeScope hostBridge(HostBridgeMode);
    ZtSourceImage* hostImage = model()->sourceImage();
    handler_->loadFile(imageFile(QStringLiteral("other.png")));
    EXPECT_TRUE(questions_.isEmpty());
    EXPECT_EQ(model()->sourceImage(), hostImage);

    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    handler_->loadFile(project);
    EXPECT_EQ(questions_, QStringList{QStringLiteral("Unsaved changes")});
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    EXPECT_EQ(model()->sourceImage(), hostImage);
    EXPECT_EQ(model()->regions().size(), 1);
    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
    EXPECT_EQ(handler_->projectPath(), project);
}

TEST_F(FileHandlerTest, ALoadedProjectCountsAsSavedOnceItsEngineStartIsSubmitted) {
    open(imageFile(QStringLiteral("a.png")));
    for (const QPointF& corner : {QPointF(2, 2), QPointF(14, 4)}) {
        auto* patch = new RectRegion(corner);
        patch->rectangle()->dragCorner(corner + QPointF(8, 8));
        patch->beginSubSession(nullptr);
        patch->setProtected(true);
    }
    waitIdle();
    const QString project = path(QStringLiteral("a.oztp"));
    saveProjectAs(project);
    model()->closeImage();
    waitIdle();

    QSignalSpy changed(handler_.get(), &FileHandler::recentProjectsChanged);
    loadProject(project);
    EXPECT_EQ(model()->regions().size(), 2);
    EXPECT_EQ(handler_->projectPath(), project);
    // Everything the load submitted is part of the project as loaded.
    EXPECT_EQ(handler_->projectSavedAt(), thread().changeCount());
    EXPECT_EQ(changed.count(), 0); // it was the newest already

    // Revert asks with its own title and loads the file again.
    stroke(QPointF(2, 12), QPointF(20, 12), VkStatusDelete, VkScopeExact);
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    handler_->projectRevertSlot();
    EXPECT_EQ(questions_, QStringList{QStringLiteral("Reverting project...")});
    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    EXPECT_EQ(countWith(VkStatusDelete), 0);
    EXPECT_EQ(handler_->projectSavedAt(), thread().changeCount());
}

} // namespace
