// The control file: where its paths point, reading it again, and the output
// image written only for an applied result.
#include "shell/control_file_images.h"
#include "shell/gas_pipe.h"
#include "shell/program_run.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ControlFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void TearDown() override { setCurrentControlFile(nullptr); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    QString writeControlFile(const QByteArray& xml, const QString& name = "job.oztx") const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(xml);
        return file.fileName();
    }

    QTemporaryDir dir_;
};

TEST_F(ControlFileTest, PathsAreTakenRelativeToTheControlFilesFolderUnlessAbsolute) {
    const QString file = writeControlFile(
        "<job><in id='imageIn' src='photos/a.png'/><out id='imageOut' src='/abs/b.png'/></job>");
    GasPipe pipe(file);
    ASSERT_TRUE(pipe.load());
    EXPECT_EQ(controlFileInputPath(), QDir(dir_.path()).filePath("photos/a.png"));
    EXPECT_EQ(controlFileOutputPath(), QStringLiteral("/abs/b.png"));
    EXPECT_EQ(pipe.attribute("imageIn", "src"), QStringLiteral("photos/a.png"));
    EXPECT_TRUE(pipe.element("nothing").isNull());
    EXPECT_TRUE(pipe.attribute("imageIn", "nothing").isEmpty());
}

TEST_F(ControlFileTest, TheLaterOfTwoElementsWithOneIdWinsAtAnyDepth) {
    const QString file =
        writeControlFile("<job><out id='imageOut' src='first.png'/>"
                         "<group><deeper><out id='imageOut' src='second.png'/></deeper></group>"
                         "<in id='imageIn' src='in.png'/></job>");
    GasPipe pipe(file);
    ASSERT_TRUE(pipe.load());
    EXPECT_EQ(controlFileOutputPath(), QDir(dir_.path()).filePath("second.png"));
}

TEST_F(ControlFileTest, EveryLoadReadsTheFileAgain) {
    const QString file = writeControlFile("<job><in id='imageIn' src='one.png'/></job>");
    GasPipe pipe(file);
    ASSERT_TRUE(pipe.load());
    writeControlFile("<job><in id='imageIn' src='two.png'/><x id='extra'/></job>");
    ASSERT_TRUE(pipe.load());
    EXPECT_EQ(controlFileInputPath(), QDir(dir_.path()).filePath("two.png"));
    EXPECT_FALSE(pipe.element("extra").isNull());

    // A second control file in the same process finds its own elements.
    GasPipe other(writeControlFile("<job><in id='imageIn' src='three.png'/></job>", "b.oztx"));
    ASSERT_TRUE(other.load());
    EXPECT_EQ(controlFileInputPath(), QDir(dir_.path()).filePath("three.png"));
}

TEST_F(ControlFileTest, AnUnreadableFileThrowsAndMalformedXmlKeepsThePaths) {
    GasPipe good(writeControlFile("<job><in id='imageIn' src='kept.png'/></job>"));
    ASSERT_TRUE(good.load());

    const QString missing = path("missing.oztx");
    GasPipe absent(missing);
    try {
        absent.load();
        FAIL() << "no exception";
    } catch (const QString& text) {
        EXPECT_EQ(text, QStringLiteral("Unable to open XML control file: ") + missing);
    }

    GasPipe malformed(writeControlFile("<job><in id='imageIn' src='new.png'>", "bad.oztx"));
    EXPECT_FALSE(malformed.load());
    EXPECT_EQ(controlFileInputPath(), QDir(dir_.path()).filePath("kept.png"));
}

TEST_F(ControlFileTest, SettingACurrentControlFileReplacesTheEarlierOne) {
    QPointer<GasPipe> first = new GasPipe(path("a.oztx"));
    setCurrentControlFile(first);
    EXPECT_EQ(currentControlFile(), first.data());
    setCurrentControlFile(new GasPipe(path("b.oztx")));
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(currentControlFile()->fileName(), path("b.oztx"));
}

// An input picture with alpha: (10, 20, 30, 40) at the corner, opaque grey elsewhere.
QImage inputPicture() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(128, 128, 128));
    image.setPixelColor(0, 0, QColor(10, 20, 30, 40));
    return image;
}

class ControlFileImagesTest : public ControlFileTest {
protected:
    void SetUp() override {
        ControlFileTest::SetUp();
        ASSERT_TRUE(inputPicture().save(path("in.png"), "PNG"));
        QString error;
        ASSERT_TRUE(images_.load(path("in.png"), &error)) << error.toStdString();
    }

    // Runs to the end with `resultCode` after the cut-out made the corner transparent.
    int finishRun(int resultCode, const QString& output) {
        ProgramSteps steps;
        steps.init = [] {};
        steps.run = [this] {
            images_.resultView().row(0)[3] = 0;
            return 0;
        };
        steps.resultCode = [resultCode] { return resultCode; };
        steps.deliverResult = [this, output] { return images_.writeOutput(output); };
        return runProgram(ControlFileMode, steps);
    }

    ControlFileImages images_;
};

TEST_F(ControlFileImagesTest, TheInputIsHeldBlueGreenRedAlphaAndCopiedForTheResult) {
    const PixelView8 source = images_.sourceView();
    ASSERT_EQ(source.width, 3);
    ASSERT_EQ(source.height, 2);
    const uchar expected[4] = {30, 20, 10, 40};
    EXPECT_EQ(std::memcmp(source.row(0), expected, 4), 0);
    EXPECT_NE(images_.resultView().pixels, source.pixels);
    EXPECT_EQ(std::memcmp(images_.resultView().pixels, source.pixels, 3 * 2 * 4), 0);

    ControlFileImages unreadable;
    QString error;
    EXPECT_FALSE(unreadable.load(path("nothing.png"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(unreadable.sourceView().isEmpty());
}

TEST_F(ControlFileImagesTest, AnAppliedResultIsWrittenAsAnRgbaPngAndOtherwiseNothing) {
    const QString output = path("out.png");
    EXPECT_EQ(finishRun(ResultApply, output), 0);
    QImage written(output, "PNG");
    ASSERT_FALSE(written.isNull());
    EXPECT_TRUE(written.hasAlphaChannel());
    EXPECT_EQ(written.size(), QSize(3, 2));
    EXPECT_EQ(written.pixelColor(0, 0), QColor(10, 20, 30, 0));
    EXPECT_EQ(written.pixelColor(2, 1), QColor(128, 128, 128));

    for (int code : {int(ResultDiscarded), int(ResultNothingToApply), int(ResultUndecided)}) {
        SCOPED_TRACE(code);
        const QString untouched = path(QStringLiteral("untouched%1.png").arg(code));
        QFile older(untouched);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("older");
        older.close();
        EXPECT_EQ(finishRun(code, untouched), 0);
        ASSERT_TRUE(older.open(QIODevice::ReadOnly));
        EXPECT_EQ(older.readAll(), QByteArray("older"));
    }
}

TEST_F(ControlFileImagesTest, AnOutputThatCannotBeWrittenFailsTheRun) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    for (const QString& output : {path("no/such/folder/out.png"), path("folder")}) {
        SCOPED_TRACE(output.toStdString());
        EXPECT_EQ(finishRun(ResultApply, output), 12);
    }
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
}

} // namespace
