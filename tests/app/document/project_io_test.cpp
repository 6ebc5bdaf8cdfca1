// Projects through the whole document: saved from a working model, loaded
// again over the real engine thread and engine; refusals that leave the
// current document as it was; the host's rule that a project must come from
// its own image; a save that cannot be written.
#include "document_fixture.h"

#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_set_status.h"
#include "files/main_window_hooks.h"
#include "files/project_file.h"
#include "files/project_io.h"
#include "files/zt_source_image.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/brush_region.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_status_array.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using test_support::prompts;

bool samePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

QByteArray frameBytes(qint32 version, quint16 checksum, const QVariant& content) {
    registerPainterPathType();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_5);
    stream << project_file::Magic << version << checksum << content;
    return bytes;
}

class ProjectIo : public DocumentFixture {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }

    // Saves the document as `name`; answers the path.
    QString save(const QString& name) {
        const QString file = path(name);
        QSaveFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        EXPECT_TRUE(project_io::saveProject(out));
        return file;
    }

    // Loads `bytes` as the project at `where`; when the model takes it, waits
    // until the new session has begun and the engine thread is idle.
    bool load(const QByteArray& bytes, const QString& where) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QSignalSpy begun(model(), &GmModel::sessionHasBegun);
        if (!project_io::loadProject(buffer, where)) return false;
        EXPECT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
        waitIdle();
        return true;
    }

    bool loadFile(const QString& file) {
        QFile in(file);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        return load(in.readAll(), file);
    }

    // A document with marks, settings of its own, and one patch or forced
    // edge of every kind.
    void buildDocument() {
        openImage(halves(96, 64));
        model()->setResolution(2);
        waitIdle();
        ASSERT_EQ(model()->resolutionFactor(), 2);
        EDOs& edos = model()->imageSmeg()->edos();
        edos.sensitivity_.setCurrent(70);
        edos.contrast_.setCurrent(2);
        analyse();
        edos.storeAll();
        BlendingOptions& image = model()->imageBlendage()->options();
        QVariantMap withRed = image.toVariant().toMap();
        QVariantMap red = withRed.value(QStringLiteral("fgOverride_")).toMap();
        red.insert(QStringLiteral("qColor_"), QColor(200, 10, 10));
        withRed.insert(QStringLiteral("fgOverride_"), red);
        image = BlendingOptions::fromVariant(withRed);
        image.blendRatioF_ = 0.35f;
        image.feather_ = 8;
        image.isMembrane_ = true;
        image.membrane1F_ = 0.8f;
        image.fgChecked_ = true;
        stroke(QPointF(8, 30), QPointF(30, 30), VkStatusKeep, VkScopeExact);
        stroke(QPointF(60, 30), QPointF(90, 30), VkStatusDelete, VkScopeExact);

        auto* rectangle = new RectRegion(QPointF(50, 4));
        rectangle->rectangle()->dragCorner(QPointF(80, 20));
        rectangle->blendage().options().feather_ = 2;
        rectangle->beginSubSession(nullptr);
        rectangle->setProtected(true);

        auto* polygon = new PolyRegion(QPointF(10, 40));
        polygon->polygon()->addPoint(QPointF(40, 44));
        polygon->polygon()->addPoint(QPointF(20, 60));
        polygon->smeg().edos().width_.setCurrent(5);
        polygon->beginSubSession(nullptr);
        polygon->smeg().setChecked(true);
        polygon->smeg().analyse();

        Brushing painted(QColor(Qt::cyan));
        painted.startAt(QPointF(70, 50));
        painted.lineTo(QPointF(88, 58));
        auto* brushed = new BrushRegion(painted);
        brushed->blendage().options().isUniformBg_ = true;
        brushed->beginSubSession(nullptr);

        auto* edge = new ForcedEdge(QPointF(2, 62), 4);
        edge->polygon()->addPoint(QPointF(94, 62));
        edge->submitToEngine();
        waitIdle();
        ASSERT_EQ(model()->regions().size(), 3);
        ASSERT_EQ(model()->forcedEdges().size(), 1);
        ASSERT_GT(countWith(VkStatusForcedEdge), 0);
        ASSERT_GT(countWith(VkStatusPatchProtection), 0);
    }

    void expectSameContent(const QVariantMap& expected, const QVariantMap& actual) {
        EXPECT_EQ(actual.keys(), expected.keys());
        for (const QString& key : expected.keys()) {
            SCOPED_TRACE(key.toStdString());
            if (key == QStringLiteral("arrowTargetList")) continue;
            EXPECT_EQ(bytesOf(actual.value(key)), bytesOf(expected.value(key)));
        }
        const QVariantList before = expected.value(QStringLiteral("arrowTargetList")).toList();
        const QVariantList after = actual.value(QStringLiteral("arrowTargetList")).toList();
        ASSERT_EQ(after.size(), before.size());
        for (int i = 0; i < before.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(bytesOf(after[i]), bytesOf(before[i]));
        }
    }

private:
    QTemporaryDir folder_;
};

TEST_F(ProjectIo, ASavedProjectLoadedAgainRestoresStatusesTargetsAndSettings) {
    buildDocument();
    const QVariantMap saved = model()->toVariant().toMap();
    const QImage statuses = model()->statusArray()->statusImage().copy();
    const QString file = save(QStringLiteral("work.oztp"));

    // Work goes on after the save: only loading can bring the saved state back.
    stroke(QPointF(8, 10), QPointF(90, 10), VkStatusBlend, VkScopeExact);
    model()->deleteRegion(model()->regions().first()->asRegion());
    model()->imageBlendage()->options().feather_ = 1;
    prompts().answer(PromptService::Yes);
    model()->setResolution(1);
    waitIdle();
    ASSERT_EQ(model()->resolutionFactor(), 1);

    prompts().reset();
    ASSERT_TRUE(loadFile(file));
    EXPECT_TRUE(prompts().asked().isEmpty());

    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
    ASSERT_NE(model()->sourceImage(), nullptr);
    EXPECT_TRUE(samePixels(model()->sourceImage()->displayImage(), halves(96, 64)));
    EXPECT_EQ(model()->resolutionFactor(), 2);
    ASSERT_EQ(model()->regions().size(), 3);
    ASSERT_EQ(model()->forcedEdges().size(), 1);
    for (ArrowTarget* target : model()->allArrowTargets()) {
        if (GmRegion* region = target->asRegion()) {
            EXPECT_NE(region->smeg().session(), nullptr) << "every patch is back in the engine";
        }
    }
    EXPECT_TRUE(model()->regions()[1]->asRegion()->smeg().hasSegmentation());
    EXPECT_EQ(model()->statusArray()->statusImage(), statuses);
    expectSameContent(saved, model()->toVariant().toMap());
}

// While a cut-out runs the status bytes carry its temporary marks, which
// the engine refuses to be given back. A project saved then loads with every
// mark, and so does one stored with those marks in.
TEST_F(ProjectIo, AProjectSavedWhileACutoutRunsLoadsWithEveryMark) {
    openImage(halves(64, 48));
    analyse();
    stroke(QPointF(4, 20), QPointF(24, 20), VkStatusKeep, VkScopeLocal);
    stroke(QPointF(40, 20), QPointF(60, 20), VkStatusDelete, VkScopeLocal);
    auto* patch = new RectRegion(QPointF(36, 30));
    patch->rectangle()->dragCorner(QPointF(60, 44));
    patch->beginSubSession(nullptr);
    waitIdle();
    // Previewed: unchanged from now on, the cut-out marks it to be kept.
    submitAndWait(new VkCmdGenerateMask(model(), patch));
    QString file;
    QVariantMap withMarks;
    {
        WorkerHold hold(thread());
        thread().submit(new VkCmdGenerateMask(model(), static_cast<const ImageRectF*>(nullptr)));
        ASSERT_TRUE(hold.waitStarted());
        ASSERT_GT(countWith(VkStatusTempDone), 0);
        file = save(QStringLiteral("during.oztp"));
        withMarks = model()->toVariant().toMap();
        withMarks.insert(QStringLiteral("statusArray_"),
                         model()->statusArray()->statusImage().copy());
        hold.release();
        waitIdle();
    }
    const QImage statuses = model()->statusArray()->statusImage().copy();
    const int keep = countWith(VkStatusKeep), remove = countWith(VkStatusDelete);
    ASSERT_GT(keep, 0);
    ASSERT_GT(remove, 0);
    ASSERT_EQ(countWith(VkStatusTempDone | VkStatusTempWork), 0);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));

    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"saved while the cut-out ran", saved.readAll()},
        {"stored with the marks in", frameBytes(11, model()->sourceImage()->checksum(), withMarks)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        ASSERT_TRUE(load(c.bytes, path(QStringLiteral("loaded.oztp"))));
        EXPECT_TRUE(prompts().asked().isEmpty());
        EXPECT_EQ(countWith(VkStatusKeep), keep);
        EXPECT_EQ(countWith(VkStatusDelete), remove);
        EXPECT_TRUE(model()->statusArray()->statusImage() == statuses);
    }
}

// Statuses that cannot be given back to the engine are not dropped in
// silence: the user is told that the marks were not restored.
TEST_F(ProjectIo, StatusesThatCannotBeRestoredAreReported) {
    openImage(halves(32, 24));
    QImage marked = model()->statusArray()->statusImage().copy();
    marked.scanLine(3)[3] = VkStatusKeep | VkStatusTempDone;
    struct Case {
        const char* what;
        QImage statuses;
    };
    const Case cases[] = {
        {"refused by the engine", marked},
        {"not status bytes", QImage(32, 24, QImage::Format_ARGB32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        prompts().answer(PromptService::Ok);
        submitAndWait(new VkCmdSetStatus(model(), c.statuses));
        ASSERT_EQ(prompts().asked().size(), 1);
        EXPECT_EQ(prompts().asked()[0].kind, PromptService::Kind::Warning);
        EXPECT_EQ(prompts().asked()[0].title, productName());
        EXPECT_EQ(countWith(VkStatusKeep), 0);
    }
}

TEST_F(ProjectIo, AVersionEightProjectWithoutTheLaterKeysLoadsWithTheirDefaults) {
    openImage(halves(64, 48));
    BlendingOptions& options = model()->imageBlendage()->options();
    options.isChoices_ = true;
    options.choices1F_ = 0.9f;
    options.isMembrane_ = true;
    options.membrane1F_ = 0.1f;
    options.isUniformBg_ = true;
    options.feather_ = 11;
    auto* patch = new RectRegion(QPointF(4, 4));
    patch->rectangle()->dragCorner(QPointF(30, 20));
    patch->beginSubSession(nullptr);
    waitIdle();

    // What the oldest readable projects hold: display images without their
    // storage keys, blending values without the six later ones, rectangles
    // without their snap.
    QVariantMap content = model()->toVariant().toMap();
    for (const QString& key : {QStringLiteral("segImg_"), QStringLiteral("blendImg_")}) {
        const QVariantMap image = content.value(key).toMap();
        content.insert(key, QVariantMap{{QStringLiteral("valid_"), true},
                                        {QStringLiteral("filename_"), image.value("filename_")},
                                        {QStringLiteral("imageImage_"), halves(64, 48)}});
    }
    const auto withoutLaterKeys = [](const QVariant& blendage) {
        QVariantMap options = blendage.toMap().value(QStringLiteral("bos_")).toMap();
        for (const char* key : {"isChoices_", "choices1F_", "choices2F_", "isMembrane_",
                                "membrane1F_", "isUniformBg_"})
            options.remove(QLatin1String(key));
        return QVariantMap{{QStringLiteral("bos_"), options}};
    };
    content.insert(QStringLiteral("imageBlendage_"),
                   withoutLaterKeys(content.value(QStringLiteral("imageBlendage_"))));
    QVariantMap target = content.value(QStringLiteral("arrowTargetList")).toList()[0].toMap();
    QVariantMap region = target.value(QStringLiteral("GmRegion")).toMap();
    region.insert(QStringLiteral("blendage_"),
                  withoutLaterKeys(region.value(QStringLiteral("blendage_"))));
    target.insert(QStringLiteral("GmRegion"), region);
    QVariantMap rectangle = target.value(QStringLiteral("rectangle_")).toMap();
    rectangle.remove(QStringLiteral("snap_"));
    target.insert(QStringLiteral("rectangle_"), rectangle);
    content.insert(QStringLiteral("arrowTargetList"), QVariantList{target});

    prompts().reset();
    ASSERT_TRUE(load(frameBytes(8, 0, content), path(QStringLiteral("old.oztp"))));
    EXPECT_TRUE(prompts().asked().isEmpty());

    ZtSourceImage* source = model()->sourceImage();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->imageMaster(), int(ZtSourceImage::DisplayMaster));
    EXPECT_EQ(source->format(), int(ZtSourceImage::Format8));
    EXPECT_TRUE(samePixels(source->displayImage(), halves(64, 48)));
    const BlendingOptions defaults;
    ASSERT_EQ(model()->regions().size(), 1);
    auto* read = dynamic_cast<RectRegion*>(model()->regions()[0]);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->rectangle()->rect(), QRectF(4, 4, 26, 16));
    for (const BlendingOptions* loaded :
         {&model()->imageBlendage()->options(), &read->blendage().options()}) {
        EXPECT_EQ(loaded->isChoices_, defaults.isChoices_);
        EXPECT_EQ(loaded->choices1F_, defaults.choices1F_);
        EXPECT_EQ(loaded->choices2F_, defaults.choices2F_);
        EXPECT_EQ(loaded->isMembrane_, defaults.isMembrane_);
        EXPECT_EQ(loaded->membrane1F_, defaults.membrane1F_);
        EXPECT_EQ(loaded->isUniformBg_, defaults.isUniformBg_);
    }
    EXPECT_EQ(model()->imageBlendage()->options().feather_, 11);
}

TEST_F(ProjectIo, ARefusedProjectLeavesTheCurrentDocumentAsItWas) {
    buildDocument();
    const QString file = save(QStringLiteral("good.oztp"));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray good = in.readAll();
    QBuffer reader;
    reader.setData(good);
    reader.open(QIODevice::ReadOnly);
    const QVariantMap content = project_file::read(reader).content;
    ASSERT_FALSE(content.isEmpty());
    QVariantMap withoutRegion = content;
    QVariantList targets = content.value(QStringLiteral("arrowTargetList")).toList();
    QVariantMap patch = targets[0].toMap();
    patch.remove(QStringLiteral("GmRegion"));
    targets[0] = patch;
    withoutRegion.insert(QStringLiteral("arrowTargetList"), targets);
    QVariantMap brokenPixels = content;
    QVariantMap source = content.value(QStringLiteral("segImg_")).toMap();
    source.insert(QStringLiteral("imageImage_"), QByteArray("\x89PNG\r\n\x1a\n cut short"));
    brokenPixels.insert(QStringLiteral("segImg_"), source);

    const QString where = path(QStringLiteral("other.oztp"));
    const QString damaged = QStringLiteral("Cannot load oztp file\n\n") + where +
                            QStringLiteral("\n\nbecause it is damaged");
    struct Case {
        const char* what;
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"truncated", good.left(good.size() * 2 / 3), damaged},
        {"cut inside the frame", good.left(6), damaged},
        {"bad magic", QByteArray("\x08\xE1\x16\x03", 4) + good.mid(4),
         QStringLiteral("File is not of the correct format \n") + where},
        {"version 12", frameBytes(12, 0, content),
         QStringLiteral("Cannot load unsupported version 12 of oztp file \n") + where},
        {"a patch without its settings", frameBytes(11, 0, withoutRegion), damaged},
        {"unreadable image bytes", frameBytes(11, 0, brokenPixels), damaged},
    };

    const QByteArray before = bytesOf(model()->toVariant());
    const ZtSourceImage* image = model()->sourceImage();
    const VkEngine* engine = model()->engine();
    const QList<ArrowTarget*> patches = model()->regions();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        prompts().answer(PromptService::Ok);
        EXPECT_FALSE(load(c.bytes, where));
        ASSERT_EQ(prompts().asked().size(), 1);
        EXPECT_EQ(prompts().asked()[0].text, c.message);
        // Nothing was closed, nothing submitted.
        EXPECT_EQ(thread().queuedCount(), 0);
        EXPECT_FALSE(thread().isBusy());
        EXPECT_EQ(model()->sourceImage(), image);
        EXPECT_EQ(model()->engine(), engine);
        EXPECT_EQ(model()->regions(), patches);
        EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromImage);
        EXPECT_EQ(bytesOf(model()->toVariant()), before);
    }
}

TEST_F(ProjectIo, AHostTakesOnlyProjectsMadeFromItsOwnImage) {
    // Projects made in the program from three images: the host's, one that
    // differs only after the first row, and one whose first row differs.
    const QImage host = halves(64, 48);
    const QImage sameStart = halves(64, 48, 9);
    QImage otherStart = host;
    otherStart.setPixel(0, 0, qRgb(1, 2, 3));
    QStringList files;
    for (const QImage& image : {sameStart, otherStart}) {
        openImage(image);
        auto* patch = new RectRegion(QPointF(4, 4));
        patch->rectangle()->dragCorner(QPointF(20, 20));
        patch->beginSubSession(nullptr);
        waitIdle();
        files << save(QStringLiteral("made%1.oztp").arg(files.size()));
        model()->closeImage();
        waitIdle();
    }

    openImage(host);
    const RunModeScope hostBridge(HostBridgeMode);
    ZtSourceImage* hostImage = model()->sourceImage();
    ZtSourceImage* hostResult = model()->workingImage();

    prompts().answer(PromptService::Ok);
    EXPECT_FALSE(loadFile(files[1]));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].text,
              QStringLiteral("Cannot load oztp file\n\n") + files[1] +
                  QStringLiteral("\n\nbecause it was not created from the current image"));
    EXPECT_TRUE(model()->regions().isEmpty());

    prompts().reset();
    ASSERT_TRUE(loadFile(files[0]));
    EXPECT_TRUE(prompts().asked().isEmpty());
    // The host's images stay; the project brings its marks and patches.
    EXPECT_EQ(model()->sourceImage(), hostImage);
    EXPECT_EQ(model()->workingImage(), hostResult);
    EXPECT_TRUE(samePixels(model()->sourceImage()->displayImage(), host));
    EXPECT_EQ(model()->regions().size(), 1);
    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromProject);
}

TEST_F(ProjectIo, ASaveThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    openImage(halves(32, 24));
    QTemporaryDir folder;
    const QString readOnly = folder.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    QFile notAFolder(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();

    struct Case {
        const char* what;
        QString file;
    };
    const Case cases[] = {
        {"read-only folder", readOnly + QStringLiteral("/work.oztp")},
        {"folder that is a file", notAFolder.fileName() + QStringLiteral("/work.oztp")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Permissions do not bind every user (root).
        if (c.file.startsWith(readOnly) && QFileInfo(readOnly).isWritable()) continue;
        prompts().reset();
        prompts().answer(PromptService::Ok);
        QSaveFile out(c.file);
        out.open(QIODevice::WriteOnly);
        EXPECT_FALSE(project_io::saveProject(out));
        ASSERT_EQ(prompts().asked().size(), 1);
        EXPECT_TRUE(prompts().asked()[0].text.startsWith(
            QStringLiteral("Cannot save oztp file\n\n") + c.file))
            << prompts().asked()[0].text.toStdString();
        EXPECT_FALSE(QFileInfo::exists(c.file));
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The document is what it was: still unmodified, still opened from its image.
    EXPECT_EQ(model()->sessionState(), GmModel::OpenedFromImage);
    EXPECT_TRUE(model()->isUnmodified());
}

} // namespace
