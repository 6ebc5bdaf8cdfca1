#include "shell/http_request.h"

#include "shell/services/network_access.h"
#include "support/fixed_clock.h"
#include "support/loopback_http_server.h"
#include "support/test_environment.h"

#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::FixedClock;
using test_support::logLines;
using test_support::LoopbackHttpServer;
using test_support::waitFor;

const QDateTime kNow(QDate(2024, 3, 1), QTime(12, 0));

// Records the pages a request passes on and answers them as told.
struct Receiver {
    explicit Receiver(HttpRequest& request) {
        QObject::connect(&request, &HttpRequest::response, &request,
                         [this](const QString& page, bool forced) {
                             pages << page;
                             forcedFlags << forced;
                             return accept;
                         });
    }
    QStringList pages;
    QList<bool> forcedFlags;
    bool accept = true;
};

bool logHas(const QString& text) {
    for (const QString& line : logLines())
        if (line.contains(text)) return true;
    return false;
}

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        ASSERT_TRUE(server_.isListening());
    }
    void TearDown() override { QSettings().clear(); }

    // Starts the request and waits until its transfer has ended.
    void fetch(HttpRequest& request, bool force) {
        request.kickOffTransfer(force);
        ASSERT_TRUE(waitFor([&] { return !request.isPending(); }));
    }

    QString url(const QString& path) const { return server_.url(path).toString(); }

    FixedClock clock_{kNow};
    LoopbackHttpServer server_;
};

// Two answers of the same address in a row, the first accepted or declined:
// is the second passed on?
struct TwoPagesCase {
    const char* name;
    QByteArray first;
    QByteArray second;
    bool useCache;
    bool acceptFirst;
    bool forceSecond;
    bool secondPassedOn;
};

const TwoPagesCase kTwoPagesCases[] = {
    {"same page again", "<html><b>news</b></html>", "<html><b>news</b></html>", true, true, false,
     false},
    {"same page forced", "<html><b>news</b></html>", "<html><b>news</b></html>", true, true, true,
     true},
    {"byte changed inside the page", "<!-- a --><html><b>news</b></html>\n",
     "<!-- a --><html><b>newz</b></html>\n", true, true, false, true},
    {"bytes changed outside the page", "<!-- a --><html><b>news</b></html>\n",
     "<!-- b --><html><b>news</b></html>\nmore", true, true, false, false},
    {"different unclosed pages", "<html><body>first news", "<html><body>other news", true, true,
     false, true},
    {"same unclosed page", "<html><body>news", "<html><body>news", true, true, false, true},
    {"close marker before the open one", "</html><html>first", "</html><html>other", true, true,
     false, true},
    {"declined page", "<html><b>news</b></html>", "<html><b>news</b></html>", true, false, false,
     true},
    {"no cache", "<html><b>news</b></html>", "<html><b>news</b></html>", false, true, false, true},
};

TEST_F(HttpRequestTest, PassesOnOnlyPagesNotAcceptedBefore) {
    for (const TwoPagesCase& c : kTwoPagesCases) {
        SCOPED_TRACE(c.name);
        QSettings().clear();
        HttpRequest request(url("/news.html"), "News", c.useCache);
        Receiver receiver(request);
        receiver.accept = c.acceptFirst;

        server_.serve("/news.html", "text/html", c.first);
        fetch(request, false);
        ASSERT_EQ(receiver.pages, QStringList{QString::fromUtf8(c.first)});
        EXPECT_EQ(receiver.forcedFlags, QList<bool>{false});
        EXPECT_EQ(request.statusCode(), 200);

        // An accepted page's digest is remembered, an empty one when it has no page.
        const QVariant stored = QSettings().value("NewsCache");
        if (c.useCache && c.acceptFirst) {
            EXPECT_EQ(stored.toByteArray(), htmlPageDigest(QString::fromUtf8(c.first)));
        } else {
            EXPECT_FALSE(stored.isValid());
        }

        receiver.accept = true;
        server_.serve("/news.html", "text/html", c.second);
        fetch(request, c.forceSecond);
        EXPECT_EQ(receiver.pages.size(), c.secondPassedOn ? 2 : 1);
        if (c.secondPassedOn) {
            EXPECT_EQ(receiver.forcedFlags.last(), c.forceSecond);
        }
    }
}

TEST_F(HttpRequestTest, DigestCoversThePageFromOpenToCloseMarker) {
    const QString page = "<html lang=\"en\"><p>caf\u00e9</p></html>";
    EXPECT_EQ(htmlPageDigest("prefix " + page + " suffix"),
              QCryptographicHash::hash(page.toUtf8(), QCryptographicHash::Md5));
    EXPECT_TRUE(htmlPageDigest("<html><p>unclosed").isEmpty());
    EXPECT_TRUE(htmlPageDigest("no page at all").isEmpty());
    // The markers are case-sensitive.
    EXPECT_TRUE(htmlPageDigest("<HTML></HTML>").isEmpty());
}

TEST_F(HttpRequestTest, NonOkAnswersAreReportedAndLoggedButNotPassedOn) {
    server_.serve("/gone.html", "text/html", "<html>missing</html>", 404);
    server_.serve("/broken.html", "text/html", "<html>oops</html>", 500);
    server_.serve("/target.html", "text/html", "<html>elsewhere</html>");
    server_.redirect("/moved.html", server_.url("/target.html"));
    // Another user of the shared manager follows redirects; this request still does not.
    QNetworkAccessManager* manager = networkAccessManager();
    ASSERT_TRUE(manager);
    manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    auto restorePolicy =
        qScopeGuard([&] { manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy); });

    struct Case {
        const char* path;
        int status;
        const char* reason;
    };
    for (const Case& c :
         {Case{"/gone.html", 404, "Not Found"}, Case{"/broken.html", 500, "Internal Server Error"},
          Case{"/moved.html", 301, "Moved Permanently"}}) {
        SCOPED_TRACE(c.path);
        HttpRequest request(url(c.path), "News", true);
        Receiver receiver(request);
        QSignalSpy codes(&request, &HttpRequest::httpStatusCode);
        fetch(request, false);
        EXPECT_TRUE(receiver.pages.isEmpty());
        ASSERT_EQ(codes.size(), 1);
        EXPECT_EQ(codes.first().first().toInt(), c.status);
        EXPECT_TRUE(
            logHas(QString("Http request for %1 return no error but non-200 status code %2 - %3")
                       .arg(url(c.path))
                       .arg(c.status)
                       .arg(c.reason)));
        EXPECT_FALSE(QSettings().contains("NewsCache"));
    }
    // The redirect was not followed.
    EXPECT_FALSE(server_.requests().contains("GET /target.html"));
}

TEST_F(HttpRequestTest, NetworkErrorIsLoggedAndTheRequestCanStartAgain) {
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    const QString address = QString("http://127.0.0.1:%1/news.html").arg(port);
    HttpRequest request(address, "News", true);
    Receiver receiver(request);
    QSignalSpy codes(&request, &HttpRequest::httpStatusCode);
    fetch(request, false);
    EXPECT_TRUE(logHas("Error getting URL: " + address + ". "));
    EXPECT_TRUE(codes.isEmpty());
    EXPECT_TRUE(receiver.pages.isEmpty());

    // The server comes up where the request failed: the next start gets the page.
    LoopbackHttpServer late(port);
    if (!late.isListening()) GTEST_SKIP() << "the port was taken in between";
    late.serve("/news.html", "text/html", "<html>news</html>");
    fetch(request, false);
    EXPECT_EQ(receiver.pages, QStringList{"<html>news</html>"});
}

TEST_F(HttpRequestTest, SuppressionSkipsUnforcedStartsOnly) {
    server_.serve("/news.html", "text/html", "<html>news</html>");
    HttpRequest request(url("/news.html"), "News", true);
    Receiver receiver(request);

    request.supress(1);
    const qint64 until = kNow.toSecsSinceEpoch() + 86400;
    EXPECT_EQ(QSettings().value("NewsSupressUntil").toLongLong(), until);
    EXPECT_TRUE(logHas("News supressed until " + QDateTime::fromSecsSinceEpoch(until).toString()));

    request.kickOffTransfer(false);
    EXPECT_FALSE(request.isPending());
    EXPECT_TRUE(logHas("News Current : " + kNow.toString() +
                       " Threshold: " + QDateTime::fromSecsSinceEpoch(until).toString()));

    fetch(request, true);
    EXPECT_EQ(server_.requests(), QStringList{"GET /news.html"});
    EXPECT_EQ(receiver.forcedFlags, QList<bool>{true});

    // A day later unforced starts run again.
    clock_.advance(86400 * 1000LL);
    server_.serve("/news.html", "text/html", "<html>newer</html>");
    fetch(request, false);
    EXPECT_EQ(server_.requests().size(), 2);
    EXPECT_EQ(receiver.pages.size(), 2);
}

TEST_F(HttpRequestTest, OneTransferAtATime) {
    server_.serve("/news.html", "text/html", "<html>news</html>");
    server_.hold("/news.html");
    HttpRequest request(url("/news.html"), "News", true);
    Receiver receiver(request);
    request.kickOffTransfer(false);
    ASSERT_TRUE(waitFor([&] { return server_.requests().size() == 1; }));
    // A start while the transfer runs sends nothing, but its force counts.
    request.kickOffTransfer(true);
    server_.release("/news.html");
    ASSERT_TRUE(waitFor([&] { return !request.isPending(); }));
    EXPECT_EQ(server_.requests().size(), 1);
    EXPECT_EQ(receiver.forcedFlags, QList<bool>{true});
}

TEST_F(HttpRequestTest, DestroyingARunningRequestAbandonsItsTransfer) {
    server_.serve("/news.html", "text/html", "<html>news</html>");
    server_.hold("/news.html");
    auto request = std::make_unique<HttpRequest>(url("/news.html"), "News", true);
    request->kickOffTransfer(false);
    ASSERT_TRUE(waitFor([&] { return server_.requests().size() == 1; }));
    request.reset();
    server_.release("/news.html");
    // Nothing is left to answer into a destroyed request.
    QTest::qWait(50);
    EXPECT_FALSE(QSettings().contains("NewsCache"));
}

} // namespace
