#include "shell/services/help_locations.h"

#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace {

// A folder or file named in the settings, made absolute: a file URL of a
// relative path would name nothing the browser can find.
QString settingsPath(const char* key, const QString& defaultPath) {
    const QString path = QSettings().value(QLatin1String(key), defaultPath).toString();
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QString helpRoot() {
    const QString folder = settingsPath("HelpRoot", appFilePath(QStringLiteral("Help")));
    const QString folderUrl = QUrl::fromLocalFile(folder).toString(QUrl::StripTrailingSlash);
    const QString language =
        QCoreApplication::translate("ZtApp", "en", "[all]Two letter code of the current locale");
    return QStringLiteral("%1/%2").arg(folderUrl, language);
}

QString helpIndexUrl() {
    return QStringLiteral("%1/%2").arg(helpRoot(), QStringLiteral("index.htm"));
}

QString tutorialsUrl(const QString& productSiteUrl) {
    const QString page =
        settingsPath("TutorialsRoot", appFilePath(QStringLiteral("Tutorials/index.htm")));
    if (QFileInfo(page).isFile()) return QUrl::fromLocalFile(page).toString();
    return productSiteUrl + QCoreApplication::translate("ZtApp", "en/zt_tutorials.html", "[zt3]");
}
