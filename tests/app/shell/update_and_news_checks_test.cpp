#include "shell/update_and_news_checks.h"

#include "shell/http_request.h"
#include "support/fixed_clock.h"
#include "support/loopback_http_server.h"
#include "support/test_environment.h"

#include <QSettings>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::FixedClock;
using test_support::LoopbackHttpServer;
using test_support::openedUrls;
using test_support::prompts;
using test_support::waitFor;
using Prompt = test_support::ScriptedPromptService::Prompt;
using Dialog = test_support::ScriptedPromptService::Dialog;

const QDateTime kNow(QDate(2024, 3, 1), QTime(12, 0));
const char* const kVersionPath = "/current/3.3.18.-win.html";
const char* const kNewsPath = "/en/news/zt_3_latest_news.html";

class UpdateAndNewsChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        sites_.versionPage = server_.url(kVersionPath).toString();
        sites_.downloadPage = "https://www.example.com/current/zt_3-download.htm";
        sites_.newsPage = server_.url(kNewsPath).toString();
    }
    void TearDown() override { QSettings().clear(); }

    // Checks with only the update request, or only the news request.
    std::unique_ptr<UpdateAndNewsChecks> updateChecks() {
        UpdateAndNewsSites sites = sites_;
        sites.latestNews = false;
        return std::make_unique<UpdateAndNewsChecks>(sites);
    }
    std::unique_ptr<UpdateAndNewsChecks> newsChecks() {
        UpdateAndNewsSites sites = sites_;
        sites.checkForUpdates = false;
        return std::make_unique<UpdateAndNewsChecks>(sites);
    }

    // Waits until the request's transfer, started by the checks, has ended.
    static void settle(HttpRequest* request) {
        ASSERT_TRUE(waitFor([&] { return !request->isPending(); }));
    }

    FixedClock clock_{kNow};
    LoopbackHttpServer server_;
    UpdateAndNewsSites sites_;
};

TEST_F(UpdateAndNewsChecksTest, SitesDecideWhichRequestsExist) {
    struct Case {
        const char* name;
        bool updates;
        bool news;
        bool newsPageKnown;
        bool updateRequest;
        bool newsRequest;
    };
    for (const Case& c : {Case{"everything on", true, true, true, true, true},
                          Case{"update checks off", false, true, true, false, true},
                          Case{"latest news off", true, false, true, true, false},
                          Case{"no news page", true, true, false, true, false}}) {
        SCOPED_TRACE(c.name);
        UpdateAndNewsSites sites = sites_;
        sites.checkForUpdates = c.updates;
        sites.latestNews = c.news;
        if (!c.newsPageKnown) sites.newsPage.clear();
        UpdateAndNewsChecks checks(sites);
        EXPECT_EQ(checks.updateRequest() != nullptr, c.updateRequest);
        EXPECT_EQ(checks.newsRequest() != nullptr, c.newsRequest);
        if (checks.updateRequest()) {
            EXPECT_EQ(checks.updateRequest()->prefix(), "Update");
            EXPECT_FALSE(checks.updateRequest()->usesCache());
        }
        if (checks.newsRequest()) {
            EXPECT_EQ(checks.newsRequest()->prefix(), "News");
            EXPECT_TRUE(checks.newsRequest()->usesCache());
        }
        EXPECT_FALSE(checks.newsAvailable());
    }
    // Without a news request the menu action does nothing.
    UpdateAndNewsSites noNews = sites_;
    noNews.latestNews = false;
    UpdateAndNewsChecks checks(noNews);
    checks.checkForNewsSlot();
    EXPECT_TRUE(openedUrls().isEmpty());
}

TEST_F(UpdateAndNewsChecksTest, RemindMeLaterPutsTheUpdateOffForADay) {
    server_.serve(kVersionPath, "text/html", "<html>notuptodate</html>");
    auto checks = updateChecks();
    int closed = 0;
    checks->setMainWindow(nullptr, [&] { ++closed; });
    prompts().answerChoice(1);
    checks->runStartUpChecks();
    settle(checks->updateRequest());

    ASSERT_EQ(prompts().asked().size(), 1);
    const Prompt& question = prompts().asked().first();
    EXPECT_EQ(question.dialog, Dialog::Choice);
    EXPECT_EQ(question.kind, PromptService::Kind::Information);
    EXPECT_EQ(question.title, "Zeltran 3 - New version available");
    EXPECT_EQ(question.text, "<p>Your copy of Zeltran&nbsp;3 is out of date. Please download the "
                             "latest version now.</p>");
    EXPECT_EQ(question.choices, (QStringList{"Download Now", "Remind Me Later"}));
    EXPECT_EQ(QSettings().value("UpdateSupressUntil").toLongLong(),
              kNow.toSecsSinceEpoch() + 86400);
    EXPECT_TRUE(openedUrls().isEmpty());
    EXPECT_EQ(closed, 0);

    // The next start within the day does not ask the server.
    checks->runStartUpChecks();
    EXPECT_FALSE(checks->updateRequest()->isPending());
    EXPECT_EQ(server_.requests().size(), 1);
}

TEST_F(UpdateAndNewsChecksTest, DownloadNowOpensTheDownloadPageAndClosesTheMainWindow) {
    server_.serve(kVersionPath, "text/html", "<html>notuptodate</html>");
    auto checks = updateChecks();
    QWidget window;
    window.show();
    checks->setMainWindow(&window);
    prompts().answerChoice(0);
    prompts().answer(PromptService::Ok);
    checks->runStartUpChecks();
    settle(checks->updateRequest());

    ASSERT_EQ(prompts().asked().size(), 2);
    const Prompt& notice = prompts().asked().at(1);
    EXPECT_EQ(notice.dialog, Dialog::Message);
    EXPECT_EQ(notice.title, "Zeltran 3 - Exiting");
    EXPECT_TRUE(notice.text.contains("Zeltran&nbsp;3 will exit automatically"))
        << notice.text.toStdString();
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.downloadPage)});
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(QSettings().contains("UpdateSupressUntil"));
}

TEST_F(UpdateAndNewsChecksTest, DownloadNowAfterTheMainWindowWentClosesNothing) {
    server_.serve(kVersionPath, "text/html", "<html>notuptodate</html>");
    auto checks = updateChecks();
    auto window = std::make_unique<QWidget>();
    checks->setMainWindow(window.get());
    window.reset();
    prompts().answerChoice(0);
    prompts().answer(PromptService::Ok);
    checks->runStartUpChecks();
    settle(checks->updateRequest());
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.downloadPage)});
}

TEST_F(UpdateAndNewsChecksTest, UpToDateVersionPageShowsNothing) {
    server_.serve(kVersionPath, "text/html", "<html>uptodate</html>");
    auto checks = updateChecks();
    checks->runStartUpChecks();
    settle(checks->updateRequest());
    EXPECT_EQ(server_.requests().size(), 1);
    EXPECT_TRUE(prompts().asked().isEmpty());
    EXPECT_TRUE(openedUrls().isEmpty());
    // The version page is fetched at every start.
    checks->runStartUpChecks();
    settle(checks->updateRequest());
    EXPECT_EQ(server_.requests().size(), 2);
}

TEST_F(UpdateAndNewsChecksTest, CheckForUpdatesOpensTheVersionPage) {
    auto checks = updateChecks();
    checks->checkForUpdateSlot();
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.versionPage)});
    EXPECT_TRUE(server_.requests().isEmpty());
}

TEST_F(UpdateAndNewsChecksTest, NewsPageIsOfferedOnceWhenRead) {
    server_.serve(kNewsPath, "text/html", "<html>spring news</html>");
    auto checks = newsChecks();
    QSignalSpy availability(checks.get(), &UpdateAndNewsChecks::newsAvailability);
    prompts().answerChoice(0);
    checks->runStartUpChecks();
    settle(checks->newsRequest());

    ASSERT_EQ(prompts().asked().size(), 1);
    const Prompt& question = prompts().asked().first();
    EXPECT_EQ(question.title, "Zeltran 3 - News Update");
    EXPECT_EQ(question.text, "<p>Would you like to read the latest Zeltran&nbsp;3 news now?</p>");
    EXPECT_EQ(question.choices, (QStringList{"Yes", "Remind Me Later"}));
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.newsPage)});
    ASSERT_EQ(availability.size(), 1);
    EXPECT_TRUE(availability.first().first().toBool());
    EXPECT_TRUE(checks->newsAvailable());

    // The same page at the next start is not offered again (a prompt would fail the test).
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    EXPECT_EQ(server_.requests().size(), 2);
    EXPECT_EQ(prompts().asked().size(), 1);
}

TEST_F(UpdateAndNewsChecksTest, RemindMeLaterOffersTheSameNewsADayLater) {
    server_.serve(kNewsPath, "text/html", "<html>spring news</html>");
    auto checks = newsChecks();
    prompts().answerChoice(1);
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    EXPECT_EQ(QSettings().value("NewsSupressUntil").toLongLong(), kNow.toSecsSinceEpoch() + 86400);
    EXPECT_FALSE(QSettings().contains("NewsCache"));
    EXPECT_TRUE(openedUrls().isEmpty());

    checks->runStartUpChecks();
    EXPECT_EQ(server_.requests().size(), 1);

    clock_.advance(86400 * 1000LL);
    prompts().answerChoice(0);
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    EXPECT_EQ(prompts().asked().size(), 2);
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.newsPage)});
}

TEST_F(UpdateAndNewsChecksTest, MissingNewsPageDisablesTheNewsUntilItAnswersAgain) {
    server_.serve(kNewsPath, "text/html", "<html>Not here</html>", 404);
    auto checks = newsChecks();
    QSignalSpy availability(checks.get(), &UpdateAndNewsChecks::newsAvailability);
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    ASSERT_EQ(availability.size(), 1);
    EXPECT_FALSE(availability.first().first().toBool());
    EXPECT_FALSE(checks->newsAvailable());
    EXPECT_TRUE(prompts().asked().isEmpty());

    server_.serve(kNewsPath, "text/html", "<html>back again</html>");
    prompts().answerChoice(1);
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    ASSERT_EQ(availability.size(), 2);
    EXPECT_TRUE(availability.last().first().toBool());
    EXPECT_TRUE(checks->newsAvailable());
}

TEST_F(UpdateAndNewsChecksTest, LatestNewsOpensThePageThenFetchesItForced) {
    server_.serve(kNewsPath, "text/html", "<html>spring news</html>");
    auto checks = newsChecks();
    // Even while reminders are put off, the menu fetches.
    checks->newsRequest()->supress(1);
    checks->checkForNewsSlot();
    EXPECT_EQ(openedUrls(), QList<QUrl>{QUrl(sites_.newsPage)});
    settle(checks->newsRequest());
    EXPECT_EQ(server_.requests().size(), 1);
    EXPECT_TRUE(prompts().asked().isEmpty());
    EXPECT_EQ(QSettings().value("NewsCache").toByteArray(),
              htmlPageDigest("<html>spring news</html>"));

    // Once the reminder is due, the page just read is not offered.
    clock_.advance(2 * 86400 * 1000LL);
    checks->runStartUpChecks();
    settle(checks->newsRequest());
    EXPECT_EQ(server_.requests().size(), 2);
    EXPECT_TRUE(prompts().asked().isEmpty());
}

} // namespace
