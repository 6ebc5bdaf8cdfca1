#include "panels/browser.h"

#include "shell/services/help_locations.h"

#include <QDesktopServices>
#include <QUrl>

Browser::Browser(QWidget* parent) : QTextBrowser(parent) {}

void Browser::setSource(const QUrl& url) {
    if (url.isEmpty()) return;
    QUrl page = url;
    if (page.isRelative())
        page = QUrl(helpRoot() + QStringLiteral("/") + url.toString(QUrl::FullyEncoded));
    QDesktopServices::openUrl(page);
}
