#include "shell/update_and_news_checks.h"

#include "shell/distributor_info.h"
#include "shell/http_request.h"
#include "shell/product_version.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

namespace {

const char* const kContext = "ZtApp";

// A text of the boxes, translated as the shared texts are.
QString allText(const char* text) {
    return QCoreApplication::translate(kContext, text, "[all]");
}

QString boxTitle(const QString& subject) {
    return QStringLiteral("%1 - %2").arg(productName(), subject);
}

const QLatin1String kCurrentFolder("current/");
const QLatin1String kProductCode("zt_3");

} // namespace

QString versionPageUrl(const DistributorInfo& info) {
    // "3.3.18." + an empty build letter + "-win": one page per version. Joined
    // in one pass, so that a "%" of the site address is never read as a marker.
    const QString page = versionNumberText() + QStringLiteral(".-win.html");
    return QStringLiteral("%1%2%3").arg(info.productSiteUrl(), kCurrentFolder, page);
}

QString downloadPageUrl(const DistributorInfo& info) {
    // The site address ends with "/", and so does the folder.
    return QStringLiteral("%1%2%3-download.htm")
        .arg(info.makerSiteUrl(), kCurrentFolder, kProductCode);
}

QString latestNewsUrl(const DistributorInfo& info) {
    return info.productPageUrl(
        QCoreApplication::translate(kContext, "en/news/zt_3_latest_news.html", "[zt3]"));
}

UpdateAndNewsSites updateAndNewsSites(const DistributorInfo& info) {
    UpdateAndNewsSites sites;
    sites.checkForUpdates = info.checkForUpdates;
    sites.latestNews = info.latestNews;
    sites.versionPage = versionPageUrl(info);
    sites.downloadPage = downloadPageUrl(info);
    sites.newsPage = latestNewsUrl(info);
    return sites;
}

UpdateAndNewsChecks::UpdateAndNewsChecks(const UpdateAndNewsSites& sites, QObject* parent)
    : QObject(parent), sites_(sites) {
    if (sites_.checkForUpdates) {
        updateRequest_ = new HttpRequest(sites_.versionPage, QStringLiteral("Update"), false, this);
        connect(updateRequest_, &HttpRequest::response, this,
                &UpdateAndNewsChecks::updateCheckerCallbackSlot, Qt::DirectConnection);
    }
    if (sites_.latestNews && !sites_.newsPage.isEmpty()) {
        newsRequest_ = new HttpRequest(sites_.newsPage, QStringLiteral("News"), true, this);
        connect(newsRequest_, &HttpRequest::response, this,
                &UpdateAndNewsChecks::newsCheckerCallbackSlot, Qt::DirectConnection);
        connect(newsRequest_, &HttpRequest::httpStatusCode, this,
                &UpdateAndNewsChecks::newsCheckerHttpStatusCodeSlot);
    }
}

UpdateAndNewsChecks::~UpdateAndNewsChecks() = default;

void UpdateAndNewsChecks::setMainWindow(QWidget* window, std::function<void()> closeMainWindow) {
    mainWindow_ = window;
    closeMainWindow_ = std::move(closeMainWindow);
}

void UpdateAndNewsChecks::runStartUpChecks() {
    if (updateRequest_) updateRequest_->kickOffTransfer(false);
    if (newsRequest_) newsRequest_->kickOffTransfer(false);
}

void UpdateAndNewsChecks::checkForUpdateSlot() {
    QDesktopServices::openUrl(QUrl(sites_.versionPage));
}

void UpdateAndNewsChecks::checkForNewsSlot() {
    if (!newsRequest_) return;
    QDesktopServices::openUrl(QUrl(sites_.newsPage));
    newsRequest_->kickOffTransfer(true);
}

bool UpdateAndNewsChecks::updateCheckerCallbackSlot(const QString& result, bool /*forced*/) {
    if (!result.contains(QLatin1String("notuptodate"))) return true;
    const QString question = htmlParagraph(
        allText("Your copy of %1 is out of date. Please download the latest version now.")
            .arg(productNameHtml()));
    const int answer = promptService()->choice(
        mainWindow_, PromptService::Kind::Information, boxTitle(allText("New version available")),
        question, {allText("Download Now"), allText("Remind Me Later")});
    if (answer != 0) {
        if (updateRequest_) updateRequest_->supress(1);
        return true;
    }
    const QString notice = htmlParagraph(allText("The download page will be loaded into your web "
                                                 "browser, and %1 will exit automatically "
                                                 "ready for you to install the latest version.")
                                             .arg(productNameHtml()));
    promptService()->message(nullptr, PromptService::Kind::Information,
                             boxTitle(allText("Exiting")), notice, PromptService::Ok);
    QDesktopServices::openUrl(QUrl(sites_.downloadPage));
    if (closeMainWindow_)
        closeMainWindow_();
    else if (mainWindow_)
        mainWindow_->close();
    return true;
}

bool UpdateAndNewsChecks::newsCheckerCallbackSlot(const QString& /*result*/, bool forced) {
    // A forced fetch follows the user's own opening of the news page.
    if (forced) return true;
    const QString question = htmlParagraph(
        allText("Would you like to read the latest %1 news now?").arg(productNameHtml()));
    const int answer = promptService()->choice(mainWindow_, PromptService::Kind::Information,
                                               boxTitle(allText("News Update")), question,
                                               {allText("Yes"), allText("Remind Me Later")});
    if (answer == 0) {
        QDesktopServices::openUrl(QUrl(sites_.newsPage));
        return true;
    }
    if (newsRequest_) newsRequest_->supress(1);
    return false;
}

void UpdateAndNewsChecks::newsCheckerHttpStatusCodeSlot(int statusCode) {
    newsAvailable_ = statusCode < 400;
    emit newsAvailability(newsAvailable_);
}
