#include "shell/distributor_info.h"

#include "shell/update_and_news_checks.h"
#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using test_support::logLines;

// A complete file; each case changes one thing of it.
QByteArray completeFile(const QByteArray& latestNews = "0", const QByteArray& extra = "") {
    return "<?xml version=\"1.0\"?>\n"
           "<distributor id=\"acme\">\n"
           "  <HomePage enabled=\"1\"/>\n"
           "  <LatestNews enabled=\"" +
           latestNews +
           "\"/>\n"
           "  <CheckForUpdates enabled=\"1\"/>\n"
           "  <Tutorials enabled=\"1\"/>\n"
           "  <AboutBoxText>Supplied by &lt;i&gt;Acme&lt;/i&gt;</AboutBoxText>\n"
           "  <Email support=\"help@acme.example\"/>\n" +
           extra + "</distributor>\n";
}

QByteArray replaced(QByteArray file, const QByteArray& part, const QByteArray& by = "") {
    return file.replace(part, by);
}

class DistributorInfoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(folder_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void writeLogo(int width, int height) {
        QImage logo(width, height, QImage::Format_ARGB32);
        logo.fill(Qt::darkCyan);
        ASSERT_TRUE(logo.save(folder_.filePath("distributor.png")));
    }

    QTemporaryDir folder_;
};

struct FileCase {
    const char* name;
    QByteArray xml; // empty: no file
    bool accepted;
    const char* error; // part of the error text when rejected
};

const FileCase kFileCases[] = {
    {"no file", "", true, ""},
    {"complete, latest news off", completeFile("0"), true, ""},
    {"latest news 'yes'", completeFile("yes"), false,
     "Error: Invalid value 'yes' for attribute 'enabled' of element 'LatestNews'\n"},
    {"no about text",
     replaced(completeFile(), "<AboutBoxText>Supplied by &lt;i&gt;Acme&lt;/i&gt;</AboutBoxText>"),
     false, "Error: Could not find element 'AboutBoxText', child of 'distributor'\n"},
    {"no e-mail", replaced(completeFile(), "<Email support=\"help@acme.example\"/>"), false,
     "Error: Could not find element 'Email', child of 'distributor'\n"},
    {"e-mail without address", replaced(completeFile(), " support=\"help@acme.example\""), false,
     "Error: Expected attribute 'support' to be defined for tag 'Email'\n"},
    {"switch without value",
     replaced(completeFile(), "<CheckForUpdates enabled=\"1\"/>", "<CheckForUpdates/>"), false,
     "Error: Expected attribute 'enabled' to be defined for tag 'CheckForUpdates'\n"},
    {"no id", replaced(completeFile(), " id=\"acme\""), false,
     "Error: Expected attribute 'id' to be defined for tag 'distributor'\n"},
    {"not XML", "<distributor id=\"acme\"><HomePage enabled=\"1\">", false, "Error: line "},
};

TEST_F(DistributorInfoTest, FileIsTakenWholeOrNotAtAll) {
    for (const FileCase& c : kFileCases) {
        SCOPED_TRACE(c.name);
        QFile::remove(folder_.filePath("distributor.xml"));
        if (!c.xml.isEmpty()) write("distributor.xml", c.xml);
        const int logLinesBefore = logLines().size();

        const DistributorInfo info = readDistributorInfo(folder_.path());
        EXPECT_EQ(info.xmlPath, QDir(folder_.path()).absoluteFilePath("distributor.xml"));
        EXPECT_TRUE(info.logo.isNull());
        const bool branded = c.accepted && !c.xml.isEmpty();
        EXPECT_EQ(info.id, branded ? "acme" : "");
        EXPECT_EQ(info.aboutText, branded ? "Supplied by <i>Acme</i>" : "");
        EXPECT_EQ(info.supportEmail, branded ? "help@acme.example" : "");
        EXPECT_EQ(info.latestNews, !branded);
        EXPECT_TRUE(info.homePage);
        EXPECT_TRUE(info.checkForUpdates);
        EXPECT_TRUE(info.tutorials);

        const QStringList logged = logLines().mid(logLinesBefore);
        const bool reported = logged.join('\n').contains("ERRORS found in " + info.xmlPath);
        if (c.accepted) {
            EXPECT_TRUE(info.errors.isEmpty()) << info.errors.toStdString();
            EXPECT_FALSE(reported);
        } else {
            EXPECT_TRUE(info.errors.contains(c.error)) << info.errors.toStdString();
            EXPECT_TRUE(reported);
        }
    }
}

TEST_F(DistributorInfoTest, LogoBrandsTheBoxWithOrWithoutAValidFile) {
    writeLogo(64, 32);
    DistributorInfo info = readDistributorInfo(folder_.path());
    EXPECT_EQ(info.logo.size(), QSize(64, 32));
    EXPECT_TRUE(info.id.isEmpty());
    EXPECT_TRUE(info.errors.isEmpty());

    write("distributor.xml", completeFile("maybe"));
    info = readDistributorInfo(folder_.path());
    EXPECT_EQ(info.logo.size(), QSize(64, 32));
    EXPECT_FALSE(info.errors.isEmpty());

    // An unreadable logo is none.
    write("distributor.png", "not a picture");
    EXPECT_TRUE(readDistributorInfo(folder_.path()).logo.isNull());
}

TEST_F(DistributorInfoTest, DistributorIdChoosesItsSectionOfTheSites) {
    DistributorInfo plain;
    EXPECT_EQ(plain.productSiteUrl(), productSiteBase());
    EXPECT_EQ(plain.makerSiteUrl(), makerSiteBase());
    EXPECT_EQ(plain.productPageUrl(""), "");
    EXPECT_TRUE(productSiteBase().startsWith("https://"));
    EXPECT_TRUE(productSiteBase().endsWith("/"));
    EXPECT_TRUE(makerSiteBase().endsWith("/"));

    write("distributor.xml", completeFile("1"));
    const DistributorInfo acme = readDistributorInfo(folder_.path());
    ASSERT_EQ(acme.id, "acme");
    const QString product = productSiteBase() + "distributors/acme/";
    const QString maker = makerSiteBase() + "distributors/acme/";
    EXPECT_EQ(acme.productSiteUrl(), product);
    EXPECT_EQ(acme.makerSiteUrl(), maker);
    EXPECT_EQ(acme.productPageUrl("en/page.html"), product + "en/page.html");
    EXPECT_EQ(versionPageUrl(acme), product + "current/3.3.18.-win.html");
    EXPECT_EQ(downloadPageUrl(acme), maker + "current/zt_3-download.htm");
    EXPECT_EQ(latestNewsUrl(acme), product + "en/news/zt_3_latest_news.html");
    EXPECT_EQ(versionPageUrl(plain), productSiteBase() + "current/3.3.18.-win.html");

    // An id stays one segment of the address.
    DistributorInfo odd;
    odd.id = "a b/c%3";
    EXPECT_EQ(odd.productSiteUrl(), productSiteBase() + "distributors/a%20b%2Fc%253/");
    EXPECT_EQ(versionPageUrl(odd), odd.productSiteUrl() + "current/3.3.18.-win.html");
}

TEST_F(DistributorInfoTest, SitesFollowTheSwitches) {
    write("distributor.xml", completeFile("0"));
    const UpdateAndNewsSites sites = updateAndNewsSites(readDistributorInfo(folder_.path()));
    EXPECT_FALSE(sites.latestNews);
    EXPECT_TRUE(sites.checkForUpdates);
    EXPECT_TRUE(sites.versionPage.contains("distributors/acme/"));
}

} // namespace
