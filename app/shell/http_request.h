// Fetches one fixed web page in the background and hands its text to whoever
// listens to response(). Two things are kept in the settings under the
// request's prefix ("Update", "News"):
//   prefix + "Cache"        the MD5 digest of the last page the receiver
//                           accepted (only with the cache on), so the same
//                           page is not passed on again unless forced;
//   prefix + "SupressUntil" seconds since the epoch before which unforced
//                           fetches are skipped (the "remind me later").
//
// The page is the part of the body from "<html" up to and including the
// "</html>" after it; text around it may change without the page counting as
// new. A body without both markers has no digest and always reaches the
// receiver.
//
// Every reply that carries an HTTP status is an answer: httpStatusCode() is
// emitted for it, and only a 200 goes on to the cache and response(). A
// redirect is an answer too and is never followed. Replies without a status
// (no connection, a dropped transfer) are logged and nothing else happens.
//
// Requests go through the program's one network access manager; a request
// listens to its own reply only and holds it through a guarded pointer, since
// the manager and its replies go with the application. One transfer at a
// time; times come from clockNow(). User-interface thread only.
#ifndef APP_SHELL_HTTP_REQUEST_H
#define APP_SHELL_HTTP_REQUEST_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkReply;

// The MD5 digest of the page inside `body` ("<html" ... "</html>", UTF-8);
// empty when the body holds no such page.
QByteArray htmlPageDigest(const QString& body);

class HttpRequest : public QObject {
    Q_OBJECT
public:
    // A transfer that takes longer than this is abandoned as a network error,
    // so that a silent server cannot block the next start for the whole run.
    static constexpr int kTransferTimeoutMs = 30000;

    HttpRequest(const QString& url, const QString& prefix, bool useCache,
                QObject* parent = nullptr);
    // Abandons a transfer still running.
    ~HttpRequest() override;

    QString url() const { return url_; }
    QString prefix() const { return prefix_; }
    bool usesCache() const { return useCache_; }
    bool isPending() const { return !pending_.isNull(); }
    // Whether the last start was forced.
    bool forced() const { return forced_; }
    // The last answer: status code (0 before one came), reason phrase, body.
    int statusCode() const { return statusCode_; }
    QString reasonPhrase() const { return reasonPhrase_; }
    QString body() const { return body_; }

    // Whether an unforced start would be skipped now; logs both times.
    bool isSupressed() const;

signals:
    // The page of a 200 answer; a receiver answers true when it accepted the
    // page, which is then remembered (with the cache on). Connect directly.
    bool response(const QString& result, bool forced);
    // The status code of every answer.
    void httpStatusCode(int statusCode);

public slots:
    // Starts the transfer unless one is running; unforced starts are skipped
    // while suppressed and pages already accepted are not passed on again.
    void kickOffTransfer(bool force);
    void kickOffTransfer();
    // Skips unforced starts for `days` days from now.
    void supress(uint days);

private:
    void getFinished(QNetworkReply* reply);
    void handleBody();
    QString cacheKey() const;
    QString supressKey() const;

    QString url_;
    QString prefix_;
    bool useCache_;
    QPointer<QNetworkReply> pending_;
    int statusCode_ = 0;
    QString reasonPhrase_;
    QString body_;
    bool forced_ = false;
};

#endif
