// The project file's frame: its exact bytes, the versions it reads, the
// refusals and their texts, damaged files refused before anything is used,
// the image rule of the host modes, and saving that never reports a failed
// write as done.
#include "files/project_file.h"

#include "files/zt_source_image.h"
#include "image_fixtures.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/segmentation_stuff.h"
#include "model/zt_polygon.h"
#include "model/zt_rectangle.h"
#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QBitmap>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QPainterPath>
#include <QPolygonF>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <cstring>

namespace {

using fixtures::Bgra8;
using test_support::prompts;

const QString kPath = QStringLiteral("/projects/cat.oztp");

PixelStore8 pixels(int width, int height, int seed) {
    return fixtures::store8(width, height, [seed](int x, int y) {
        return Bgra8{uchar(seed + 40 * x), uchar(60 * y), uchar(7 + x + y), 255};
    });
}

QPainterPath samplePath() {
    QPainterPath path(QPointF(1.5, 2));
    path.cubicTo(3, 4, 5, 6, 7.25, 8);
    path.lineTo(0, 9);
    return path;
}

QVariantMap regionMap() {
    return {{QStringLiteral("smeg_"), SegmentationStuff(nullptr).toVariant()},
            {QStringLiteral("blendage_"), BlendingStuff().toVariant()},
            {QStringLiteral("isProtected_"), true}};
}

// Statuses of a workspace of `width` x `height` pixels, none marked yet.
QImage unassigned(int width, int height) {
    QImage statuses(width, height, QImage::Format_Indexed8);
    statuses.setColorCount(256);
    statuses.fill(1);
    return statuses;
}

const QPolygonF kEdgePoints({{1, 1}, {4.5, 2}, {3, 7}});

// A content with every map a model writes: image maps, a status image, a
// resolution factor, the image's settings and one target of each type, with
// polygons and painter paths inside.
QVariantMap sampleContent(const ZtSourceImage& source) {
    QImage statuses(3, 2, QImage::Format_Indexed8);
    statuses.setColorCount(256);
    statuses.fill(4);
    statuses.setPixel(2, 1, 17);
    const QVariantMap rectangle{
        {QStringLiteral("type"), 0},
        {QStringLiteral("GmRegion"), regionMap()},
        {QStringLiteral("rectangle_"), zt::Rectangle(QPointF(1, 2), 1).toVariant()}};
    const QVariantMap polygon{
        {QStringLiteral("type"), 1},
        {QStringLiteral("GmRegion"), regionMap()},
        {QStringLiteral("poly_"),
         zt::Polygon(QPolygonF({{0, 0}, {5, 0}, {2, 3}}), zt::Polygon::Closed).toVariant()}};
    const QVariantMap brush{
        {QStringLiteral("type"), 2},
        {QStringLiteral("GmRegion"), regionMap()},
        {QStringLiteral("brushing_"),
         QVariantMap{{QStringLiteral("Bitmap"), QBitmap()},
                     {QStringLiteral("path_"), QVariant::fromValue(samplePath())},
                     {QStringLiteral("boundingReducedRect_"), QRectF(0, 0, 4, 4)},
                     {QStringLiteral("color_"), QColor(Qt::green)}}}};
    const QVariantMap edge{
        {QStringLiteral("type"), 3},
        {QStringLiteral("poly_"), zt::Polygon(kEdgePoints, zt::Polygon::Open).toVariant()},
        {QStringLiteral("width_"), 4}};
    return {{QStringLiteral("resolution_"), 2},
            {QStringLiteral("segImg_"), source.toVariant()},
            {QStringLiteral("blendImg_"), source.toVariant()},
            {QStringLiteral("statusArray_"), statuses},
            {QStringLiteral("imageSmeg_"), SegmentationStuff(nullptr).toVariant()},
            {QStringLiteral("imageBlendage_"), BlendingStuff().toVariant()},
            {QStringLiteral("arrowTargetList"), QVariantList{rectangle, polygon, brush, edge}}};
}

QByteArray frame(qint32 magic, qint32 version, quint16 checksum, const QVariant& content) {
    registerPainterPathType();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_5);
    stream << magic << version << checksum << content;
    return bytes;
}

QVariant load(const QByteArray& bytes, const project_file::ImageRule& rule = {}) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return project_file::load(buffer, kPath, rule);
}

void expectOneWarning(const QString& text) {
    ASSERT_EQ(prompts().asked().size(), 1);
    const auto& prompt = prompts().asked()[0];
    EXPECT_EQ(prompt.kind, PromptService::Kind::Warning);
    EXPECT_EQ(prompt.title, QStringLiteral("Zeltran 3"));
    EXPECT_EQ(prompt.text, text);
}

// A device that takes `room` bytes and then refuses every write.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        if (size > room_) return -1;
        room_ -= size;
        return size;
    }

private:
    qint64 room_;
};

class ProjectFileTest : public ::testing::Test {
protected:
    // Saves the sample content to `path` through a QSaveFile, as the program
    // does; `whileOpen` runs once the file is open, before anything is written.
    bool saveTo(const QString& path, const std::function<void()>& whileOpen = {}) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            ADD_FAILURE() << "cannot open " << path.toStdString();
            return false;
        }
        if (whileOpen) whileOpen();
        return project_file::save(file, source_.checksum(), sampleContent(source_));
    }

    PixelStore8 store_ = pixels(6, 4, 10);
    ZtSourceImage source_{store_.view(), QStringLiteral("cat.png")};
};

TEST_F(ProjectFileTest, WritesTheFrameBigEndianAndReadsEverythingBack) {
    ASSERT_TRUE(source_.isValid());
    const QVariantMap content = sampleContent(source_);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(project_file::write(buffer, 0xBEEF, content));

    const QByteArray bytes = buffer.data();
    const unsigned char start[] = {0x08, 0xE1, 0x16, 0x02, 0x00, 0x00, 0x00, 0x0B, 0xBE, 0xEF};
    ASSERT_GT(bytes.size(), 10);
    EXPECT_EQ(std::memcmp(bytes.constData(), start, sizeof start), 0);

    QBuffer input;
    input.setData(bytes);
    input.open(QIODevice::ReadOnly);
    const project_file::ReadResult read = project_file::read(input);
    ASSERT_EQ(read.status, project_file::ReadResult::Read) << read.problem.toStdString();
    EXPECT_EQ(read.version, 11);
    EXPECT_EQ(read.checksum, 0xBEEF);
    EXPECT_TRUE(input.atEnd());

    const QVariantMap& back = read.content;
    EXPECT_EQ(back.keys(), content.keys());
    EXPECT_EQ(back.value("resolution_").toInt(), 2);
    EXPECT_EQ(back.value("statusArray_").value<QImage>(),
              content.value("statusArray_").value<QImage>());
    const ZtSourceImage image(back.value("segImg_"));
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.checksum(), source_.checksum());
    EXPECT_EQ(fixtures::pixelAt(image.view8(), 5, 3), fixtures::pixelAt(store_.view(), 5, 3));
    const QVariantList targets = back.value("arrowTargetList").toList();
    ASSERT_EQ(targets.size(), 4);
    EXPECT_EQ(targets[2].toMap().value("brushing_").toMap().value("path_").value<QPainterPath>(),
              samplePath());
    EXPECT_EQ(targets[3].toMap().value("poly_").toMap().value("qpoly_").value<QPolygonF>(),
              kEdgePoints);
}

TEST_F(ProjectFileTest, VersionEightWithoutOptionalKeysLoadsWithDefaults) {
    // The oldest readable files: images as display images without "imageMaster_"
    // and "format_", blending values without the six later keys.
    QImage photo(5, 3, QImage::Format_ARGB32);
    photo.fill(QColor(10, 20, 30));
    QVariantMap blending = BlendingOptions().toVariant().toMap();
    for (const char* key :
         {"isChoices_", "choices1F_", "choices2F_", "isMembrane_", "membrane1F_", "isUniformBg_"})
        blending.remove(QString::fromLatin1(key));
    blending.insert(QStringLiteral("feather_"), 9);
    const QVariantMap imageMap{{QStringLiteral("valid_"), true},
                               {QStringLiteral("filename_"), QStringLiteral("old.jpg")},
                               {QStringLiteral("imageImage_"), photo}};
    const QVariantMap content{
        {QStringLiteral("resolution_"), 1},
        {QStringLiteral("segImg_"), imageMap},
        {QStringLiteral("blendImg_"), imageMap},
        {QStringLiteral("statusArray_"), unassigned(5, 3)},
        {QStringLiteral("imageSmeg_"), SegmentationStuff(nullptr).toVariant()},
        {QStringLiteral("imageBlendage_"), QVariantMap{{QStringLiteral("bos_"), blending}}},
        {QStringLiteral("arrowTargetList"), QVariantList()}};

    const QVariant loaded = load(frame(project_file::Magic, 8, 0, content));
    ASSERT_TRUE(loaded.isValid());
    EXPECT_TRUE(prompts().asked().isEmpty());

    ZtSourceImage image(loaded.toMap().value("segImg_"));
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.imageMaster(), int(ZtSourceImage::DisplayMaster));
    EXPECT_EQ(image.format(), int(ZtSourceImage::Format8));
    EXPECT_EQ(image.displayImage().pixelColor(4, 2), QColor(10, 20, 30));

    const BlendingOptions defaults;
    const BlendingOptions options =
        BlendingOptions::fromVariant(loaded.toMap().value("imageBlendage_").toMap().value("bos_"));
    EXPECT_EQ(options.feather_, 9);
    EXPECT_EQ(options.isChoices_, defaults.isChoices_);
    EXPECT_EQ(options.choices1F_, defaults.choices1F_);
    EXPECT_EQ(options.choices2F_, defaults.choices2F_);
    EXPECT_EQ(options.isMembrane_, defaults.isMembrane_);
    EXPECT_EQ(options.membrane1F_, defaults.membrane1F_);
    EXPECT_EQ(options.isUniformBg_, defaults.isUniformBg_);
}

TEST_F(ProjectFileTest, RefusesOtherFilesAndDamagedContentWithTheirMessages) {
    const QVariantMap good = sampleContent(source_);
    const QString wrongFormat = QStringLiteral("File is not of the correct format \n") + kPath;
    const QString damaged = QStringLiteral("Cannot load oztp file\n\n") + kPath +
                            QStringLiteral("\n\nbecause it is damaged");
    auto with = [&](const QString& key, const QVariant& value) {
        QVariantMap content = good;
        content.insert(key, value);
        return content;
    };
    QVariantMap unreadablePixels = source_.toVariant().toMap();
    unreadablePixels.insert(QStringLiteral("imageImage_"), QByteArray("\x89PNG\r\n\x1a\n broken"));
    const QVariantMap noDisplayImage{{QStringLiteral("valid_"), true},
                                     {QStringLiteral("filename_"), QStringLiteral("a.png")},
                                     {QStringLiteral("imageMaster_"), 0},
                                     {QStringLiteral("imageImage_"), QImage()}};
    QVariantMap withoutFactor = good;
    withoutFactor.remove(QStringLiteral("resolution_"));

    struct Case {
        const char* what;
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"bad magic", frame(0x08E11603, 11, 0, good), wrongFormat},
        {"text file", QByteArray("just some text, no project at all"), wrongFormat},
        {"empty file", QByteArray(), wrongFormat},
        {"version 12", frame(project_file::Magic, 12, 0, good),
         QStringLiteral("Cannot load unsupported version 12 of oztp file \n") + kPath},
        {"version 7", frame(project_file::Magic, 7, 0, good),
         QStringLiteral("Cannot load unsupported version 7 of oztp file \n") + kPath},
        {"factor 0", frame(project_file::Magic, 11, 0, with("resolution_", 0)), damaged},
        {"factor 3", frame(project_file::Magic, 11, 0, with("resolution_", 3)), damaged},
        {"no factor", frame(project_file::Magic, 11, 0, withoutFactor), damaged},
        {"unreadable source pixels",
         frame(project_file::Magic, 11, 0, with("segImg_", unreadablePixels)), damaged},
        {"valid source without its display image",
         frame(project_file::Magic, 11, 0, with("segImg_", noDisplayImage)), damaged},
        {"unreadable working pixels",
         frame(project_file::Magic, 11, 0, with("blendImg_", unreadablePixels)), damaged},
        {"no status image", frame(project_file::Magic, 11, 0, with("statusArray_", QImage())),
         damaged},
        {"invalid source image",
         frame(project_file::Magic, 11, 0, with("segImg_", ZtSourceImage(QVariant()).toVariant())),
         damaged},
        {"no working image", frame(project_file::Magic, 11, 0, with("blendImg_", QVariant())),
         damaged},
        {"content no map", frame(project_file::Magic, 11, 0, QStringLiteral("map")), damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        prompts().answer(PromptService::Ok);
        EXPECT_FALSE(load(c.bytes).isValid());
        expectOneWarning(c.message);
    }
}

// `value` without the key at the end of `path` (map keys and list indices).
QVariant without(const QVariant& value, QStringList path) {
    const QString step = path.takeFirst();
    if (value.userType() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        const int index = step.toInt();
        list[index] = without(list[index], path);
        return list;
    }
    QVariantMap map = value.toMap();
    if (path.isEmpty())
        map.remove(step);
    else
        map.insert(step, without(map.value(step), path));
    return map;
}

TEST_F(ProjectFileTest, EveryKeyIsRequiredButThoseOlderProjectsMayLack) {
    const QVariantMap good = sampleContent(source_);
    struct Case {
        const char* path;
        bool loads;
    };
    const Case cases[] = {
        // The optional keys: their readers give defaults.
        {"segImg_.format_", true},
        {"blendImg_.format_", true},
        {"imageBlendage_.bos_.isChoices_", true},
        {"imageBlendage_.bos_.choices1F_", true},
        {"imageBlendage_.bos_.choices2F_", true},
        {"imageBlendage_.bos_.isMembrane_", true},
        {"imageBlendage_.bos_.membrane1F_", true},
        {"imageBlendage_.bos_.isUniformBg_", true},
        {"arrowTargetList.1.GmRegion.blendage_.bos_.isUniformBg_", true},
        {"arrowTargetList.0.rectangle_.snap_", true},
        // Every other key of every map.
        {"resolution_", false},
        {"segImg_", false},
        {"blendImg_", false},
        {"statusArray_", false},
        {"imageSmeg_", false},
        {"imageBlendage_", false},
        {"arrowTargetList", false},
        {"segImg_.valid_", false},
        {"blendImg_.filename_", false},
        {"segImg_.imageImage_", false},
        {"imageSmeg_.isChecked_", false},
        {"imageSmeg_.edos_", false},
        {"imageSmeg_.edos_.widthInImageCoords_", false},
        {"imageSmeg_.edos_.texture_", false},
        {"imageBlendage_.bos_", false},
        {"imageBlendage_.bos_.blendRatioF_", false},
        {"imageBlendage_.bos_.feather_", false},
        {"imageBlendage_.bos_.fgOverride_", false},
        {"imageBlendage_.bos_.bgOverride_.qColor_", false},
        {"imageBlendage_.bos_.fgOverride_.persist_", false},
        {"arrowTargetList.0.type", false},
        {"arrowTargetList.0.GmRegion", false},
        {"arrowTargetList.0.rectangle_.corner1_", false},
        {"arrowTargetList.1.GmRegion.isProtected_", false},
        {"arrowTargetList.1.GmRegion.smeg_.edos_.sensitivity_", false},
        {"arrowTargetList.1.poly_.openness_", false},
        {"arrowTargetList.2.brushing_.path_", false},
        {"arrowTargetList.2.brushing_.Bitmap", false},
        {"arrowTargetList.2.GmRegion.blendage_.bos_.bgChecked_", false},
        {"arrowTargetList.3.width_", false},
        {"arrowTargetList.3.poly_.qpoly_", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        prompts().reset();
        if (!c.loads) prompts().answer(PromptService::Ok);
        const QVariant content = without(good, QString::fromLatin1(c.path).split(QLatin1Char('.')));
        EXPECT_EQ(load(frame(project_file::Magic, 11, 0, content)).isValid(), c.loads);
        EXPECT_EQ(prompts().asked().size(), c.loads ? 0 : 1);
    }

    // A target of a type this program does not know is skipped by the model,
    // whatever it carries.
    QVariantMap unknown = good;
    QVariantList targets = good.value(QStringLiteral("arrowTargetList")).toList();
    targets << QVariantMap{{QStringLiteral("type"), 7}};
    unknown.insert(QStringLiteral("arrowTargetList"), targets);
    prompts().reset();
    EXPECT_TRUE(load(frame(project_file::Magic, 11, 0, unknown)).isValid());
}

TEST_F(ProjectFileTest, TruncatedFileIsRefusedWhereverItEnds) {
    const QByteArray whole = frame(project_file::Magic, 11, 7, sampleContent(source_));
    for (int length : {3, 4, 7, 8, 9, 10, 11, 40, whole.size() / 2, whole.size() - 1}) {
        SCOPED_TRACE(length);
        prompts().reset();
        prompts().answer(PromptService::Ok);
        EXPECT_FALSE(load(whole.left(length)).isValid());
        EXPECT_EQ(prompts().asked().size(), 1);
    }
    prompts().reset();
    EXPECT_TRUE(load(whole).isValid());
}

TEST_F(ProjectFileTest, HostModesLoadOnlyProjectsOfTheirOwnImage) {
    const QByteArray bytes =
        frame(project_file::Magic, 11, source_.checksum(), sampleContent(source_));
    // The same first row start, width and height: another row differs.
    PixelStore8 sameStart = pixels(6, 4, 10);
    sameStart.view().row(3)[0] ^= 0x55;
    PixelStore8 otherStart = pixels(6, 4, 11);
    PixelStore8 otherSize = pixels(6, 5, 10);
    const ZtSourceImage same(sameStart.view(), QStringLiteral("host"));
    const ZtSourceImage other(otherStart.view(), QStringLiteral("host"));
    const ZtSourceImage larger(otherSize.view(), QStringLiteral("host"));
    const QString refusal = QStringLiteral("Cannot load oztp file\n\n") + kPath +
                            QStringLiteral("\n\nbecause it was not created from the current image");

    struct Case {
        const char* what;
        project_file::ImageRule rule;
        bool loads;
    };
    const Case cases[] = {
        {"standalone, any image", {false, &other}, true},
        {"standalone, no image", {false, nullptr}, true},
        {"host, same image", {true, &source_}, true},
        {"host, same first row start and size", {true, &same}, true},
        {"host, other first row", {true, &other}, false},
        {"host, other height", {true, &larger}, false},
        {"host, no image", {true, nullptr}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts().reset();
        if (!c.loads) prompts().answer(PromptService::Ok);
        EXPECT_EQ(load(bytes, c.rule).isValid(), c.loads);
        if (c.loads)
            EXPECT_TRUE(prompts().asked().isEmpty());
        else
            expectOneWarning(refusal);
    }
}

TEST_F(ProjectFileTest, SaveCommitsOnlyAWholeFile) {
    QTemporaryDir folder;
    const QString good = folder.filePath(QStringLiteral("good.oztp"));
    EXPECT_TRUE(saveTo(good));
    QFile written(good);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(project_file::read(written).status, project_file::ReadResult::Read);
    EXPECT_TRUE(prompts().asked().isEmpty());

    // The folder goes away while the project is written (a removed stick, a
    // lost share): the commit fails, the failure is reported, not hidden.
    const QString gone = folder.filePath(QStringLiteral("stick"));
    ASSERT_TRUE(QDir().mkdir(gone));
    const QString lost = gone + QStringLiteral("/lost.oztp");
    prompts().answer(PromptService::Ok);
    EXPECT_FALSE(saveTo(lost, [&] { ASSERT_TRUE(QDir(gone).removeRecursively()); }));
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_EQ(prompts().asked()[0].title, QStringLiteral("Zeltran 3"));
    EXPECT_TRUE(
        prompts().asked()[0].text.startsWith(QStringLiteral("Cannot save oztp file\n\n") + lost))
        << prompts().asked()[0].text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(lost));
}

// The disk fills up while the project is written: the failure is reported
// and the project saved before stays as it was.
TEST_F(ProjectFileTest, SaveOnAFullDiskKeepsTheProjectSavedBefore) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("work.oztp"));
    ASSERT_TRUE(saveTo(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();

    prompts().answer(PromptService::Ok);
    {
        const fixtures::FileSizeLimit full(rlim_t(before.size() / 2));
        EXPECT_FALSE(saveTo(path));
    }
    ASSERT_EQ(prompts().asked().size(), 1);
    EXPECT_TRUE(
        prompts().asked()[0].text.startsWith(QStringLiteral("Cannot save oztp file\n\n") + path));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"work.oztp"});
}

TEST_F(ProjectFileTest, WriteReportsADeviceThatRefusesBytes) {
    const QVariantMap content = sampleContent(source_);
    for (qint64 room : {0, 9, 200}) {
        SCOPED_TRACE(room);
        FullDevice device(room);
        EXPECT_FALSE(project_file::write(device, 1, content));
    }
}

} // namespace
