#include "shell/http_request.h"

#include "shell/services/clock.h"
#include "shell/services/logger.h"
#include "shell/services/network_access.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QUrl>

namespace {

constexpr qint64 kSecondsPerDay = 24 * 60 * 60;

QString timeText(qint64 secondsSinceEpoch) {
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toString();
}

// An error that an HTTP status stands for (404, 500, ...), as opposed to one
// of the connection or the transfer.
bool isStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError);
}

// Whether the server answered: the reply carries a status code and nothing
// went wrong but what that status says. A transfer that broke off after the
// status line is no answer: its body is not the whole page.
bool isAnswer(const QNetworkReply& reply) {
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) return false;
    return reply.error() == QNetworkReply::NoError || isStatusError(reply.error());
}

} // namespace

QByteArray htmlPageDigest(const QString& body) {
    const int start = body.indexOf(QLatin1String("<html"));
    if (start < 0) return QByteArray();
    const QLatin1String close("</html>");
    const int closeAt = body.indexOf(close, start);
    if (closeAt < 0) return QByteArray();
    const QString page = body.mid(start, closeAt + close.size() - start);
    return QCryptographicHash::hash(page.toUtf8(), QCryptographicHash::Md5);
}

HttpRequest::HttpRequest(const QString& url, const QString& prefix, bool useCache, QObject* parent)
    : QObject(parent), url_(url), prefix_(prefix), useCache_(useCache) {}

HttpRequest::~HttpRequest() {
    if (QNetworkReply* reply = pending_) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

bool HttpRequest::isSupressed() const {
    const qint64 now = clockNow().toSecsSinceEpoch();
    const qint64 threshold = QSettings().value(supressKey(), now).toLongLong();
    logStream() << prefix_ << " Current : " << timeText(now)
                << " Threshold: " << timeText(threshold) << endLogLine;
    return now < threshold;
}

void HttpRequest::kickOffTransfer() {
    kickOffTransfer(false);
}

void HttpRequest::kickOffTransfer(bool force) {
    forced_ = force;
    if (pending_) return;
    if (!force && isSupressed()) return;
    QNetworkAccessManager* manager = networkAccessManager();
    if (!manager) return;
    statusCode_ = 0;
    reasonPhrase_.clear();
    body_.clear();
    QNetworkRequest request{QUrl(url_)};
    // The manager is shared: the policy goes on this request. A redirect is
    // an answer of its own, never followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = manager->get(request);
    pending_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { getFinished(reply); });
}

void HttpRequest::supress(uint days) {
    const qint64 until = clockNow().toSecsSinceEpoch() + qint64(days) * kSecondsPerDay;
    QSettings().setValue(supressKey(), uint(until));
    logStream() << prefix_ << " supressed until " << timeText(until) << endLogLine;
}

void HttpRequest::getFinished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply != pending_) return;
    pending_ = nullptr;
    if (!isAnswer(*reply)) {
        logStream() << QStringLiteral("Error getting URL: %1. %2").arg(url_, reply->errorString())
                    << endLogLine;
        return;
    }
    body_ = QString::fromUtf8(reply->readAll());
    statusCode_ = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reasonPhrase_ = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    handleBody();
}

void HttpRequest::handleBody() {
    emit httpStatusCode(statusCode_);
    if (statusCode_ != 200) {
        logStream() << QStringLiteral(
                           "Http request for %1 return no error but non-200 status code %2 - %3")
                           .arg(url_)
                           .arg(statusCode_)
                           .arg(reasonPhrase_)
                    << endLogLine;
        return;
    }
    QByteArray digest;
    if (useCache_) {
        digest = htmlPageDigest(body_);
        if (!digest.isEmpty() && !forced_ && QSettings().value(cacheKey()).toByteArray() == digest)
            return;
    }
    const bool accepted = emit response(body_, forced_);
    if (useCache_ && accepted) QSettings().setValue(cacheKey(), digest);
}

QString HttpRequest::cacheKey() const {
    return prefix_ + QStringLiteral("Cache");
}

QString HttpRequest::supressKey() const {
    return prefix_ + QStringLiteral("SupressUntil");
}
