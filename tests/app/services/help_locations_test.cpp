#include "shell/services/help_locations.h"

#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QString kSite = "https://zeltran.example/";

class HelpLocationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        ASSERT_TRUE(scratch_.isValid());
        // Blanks and "#" are where hand-made file addresses break.
        folder_ = scratch_.filePath("Zeltran Help #3");
        ASSERT_TRUE(QDir().mkpath(folder_));
    }
    void TearDown() override { QSettings().clear(); }

    QTemporaryDir scratch_;
    QString folder_;
};

TEST_F(HelpLocationsTest, HelpPagesLieInTheLanguageFolderOfTheHelpRoot) {
    QSettings().setValue("HelpRoot", folder_ + "/");
    EXPECT_EQ(helpRoot(), QUrl::fromLocalFile(folder_).toString() + "/en");
    EXPECT_EQ(QUrl(helpIndexUrl()).toLocalFile(), folder_ + "/en/index.htm");
    // A relative help link resolves below the root.
    EXPECT_EQ(QUrl(helpRoot() + "/4-Zeltran_Tools/Navigator.htm").toLocalFile(),
              folder_ + "/en/4-Zeltran_Tools/Navigator.htm");
}

TEST_F(HelpLocationsTest, HelpRootDefaultsToTheProgramFolder) {
    EXPECT_EQ(QUrl(helpIndexUrl()).toLocalFile(), appFilePath("Help") + "/en/index.htm");
}

TEST_F(HelpLocationsTest, TutorialsOpenLocallyOnlyWhenThePageExists) {
    const QString page = folder_ + "/index.htm";
    QSettings().setValue("TutorialsRoot", page);
    EXPECT_EQ(tutorialsUrl(kSite), kSite + "en/zt_tutorials.html");

    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString url = tutorialsUrl(kSite);
    EXPECT_TRUE(url.startsWith("file:///")) << url.toStdString();
    EXPECT_FALSE(url.startsWith("file:////")) << url.toStdString();
    EXPECT_EQ(QUrl(url).toLocalFile(), page);

    // A folder is no tutorials page.
    QSettings().setValue("TutorialsRoot", folder_);
    EXPECT_EQ(tutorialsUrl(kSite), kSite + "en/zt_tutorials.html");
}

} // namespace
