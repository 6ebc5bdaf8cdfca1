#include "support/url_capture.h"

#include <QDesktopServices>

namespace test_support {

namespace {

const char* const kSchemes[] = {"http", "https", "file", "mailto"};

} // namespace

UrlCapture::UrlCapture() {
    for (const char* scheme : kSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

UrlCapture::~UrlCapture() {
    for (const char* scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void UrlCapture::openUrl(const QUrl& url) {
    urls_.append(url);
}

} // namespace test_support
