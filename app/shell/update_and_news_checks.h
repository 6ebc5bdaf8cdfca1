// The checks for a newer version and for news on the maker's web service.
// At start both pages are fetched in the background (runStartUpChecks):
// - the version page says "notuptodate" when a newer version exists; the user
//   is offered the download ("Download Now": the download page opens and the
//   main window closes) or a reminder a day later;
// - a news page not seen before is offered ("Yes" opens it in the browser);
//   "Remind Me Later" asks again a day later. A news page that answers 400
//   or more makes the "Latest &News" action unavailable (newsAvailability).
// The distributor's switches decide whether each check exists at all.
//
// The application object owns one of these and forwards its menu actions'
// slots to it:
//   checks_ = new UpdateAndNewsChecks(updateAndNewsSites(distributorInfo()), this);
//   checks_->setMainWindow(mainWindow);   // once the window exists
//   checks_->runStartUpChecks();          // at the end of its construction
// Questions go through the prompt service, pages open through
// QDesktopServices::openUrl.
#ifndef APP_SHELL_UPDATE_AND_NEWS_CHECKS_H
#define APP_SHELL_UPDATE_AND_NEWS_CHECKS_H

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

struct DistributorInfo;
class HttpRequest;
class QWidget;

// The pages of the checks, on the distributor's sections of the web sites:
//   version page   product site + "current/3.3.18.-win.html"
//   download page  maker site + "current/zt_3-download.htm"
//   news page      product site + "en/news/zt_3_latest_news.html" (a
//                  translated path; empty when translated to nothing)
QString versionPageUrl(const DistributorInfo& info);
QString downloadPageUrl(const DistributorInfo& info);
QString latestNewsUrl(const DistributorInfo& info);

// Which checks exist and where their pages are.
struct UpdateAndNewsSites {
    bool checkForUpdates = true;
    bool latestNews = true;
    QString versionPage;
    QString downloadPage;
    QString newsPage;
};

// The sites of the distributor's customisation.
UpdateAndNewsSites updateAndNewsSites(const DistributorInfo& info);

class UpdateAndNewsChecks : public QObject {
    Q_OBJECT
public:
    // Creates the update request when update checks are on, the news request
    // when latest news is on and the news page is known. Nothing is started.
    explicit UpdateAndNewsChecks(const UpdateAndNewsSites& sites, QObject* parent = nullptr);
    ~UpdateAndNewsChecks() override;

    // The window the questions belong to (guarded), and how to close it when
    // the user leaves for the download; by default the window's close().
    void setMainWindow(QWidget* window, std::function<void()> closeMainWindow = {});

    // Null when that check does not exist.
    HttpRequest* updateRequest() const { return updateRequest_; }
    HttpRequest* newsRequest() const { return newsRequest_; }
    const UpdateAndNewsSites& sites() const { return sites_; }

    // Whether the news page answered below 400 last time; false until it did.
    bool newsAvailable() const { return newsAvailable_; }

signals:
    void newsAvailability(bool available);

public slots:
    // Starts both checks unforced.
    void runStartUpChecks();
    // "&Check for Updates": opens the version page in the browser.
    void checkForUpdateSlot();
    // "Latest &News": opens the news page, then fetches it forced, so the
    // same page is not offered at the next start.
    void checkForNewsSlot();
    // The version page arrived; always accepted.
    bool updateCheckerCallbackSlot(const QString& result, bool forced);
    // The news page arrived; accepted when the user read it.
    bool newsCheckerCallbackSlot(const QString& result, bool forced);
    void newsCheckerHttpStatusCodeSlot(int statusCode);

private:
    UpdateAndNewsSites sites_;
    HttpRequest* updateRequest_ = nullptr;
    HttpRequest* newsRequest_ = nullptr;
    bool newsAvailable_ = false;
    QPointer<QWidget> mainWindow_;
    std::function<void()> closeMainWindow_;
};

#endif
