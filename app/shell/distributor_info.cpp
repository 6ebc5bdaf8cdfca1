#include "shell/distributor_info.h"

#include "shell/services/logger.h"
#include "shell/services/shell_functions.h"

#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QUrl>

namespace {

// Reads the XML file into `info`, appending what is wrong to `errors`.
class CustomisationReader {
public:
    explicit CustomisationReader(QString& errors) : errors_(errors) {}

    void read(QIODevice& file, DistributorInfo& info) {
        QDomDocument document(QStringLiteral("Customisation"));
        QString message;
        int line = 0;
        int column = 0;
        if (!document.setContent(&file, &message, &line, &column)) {
            errors_ +=
                QStringLiteral("Error: line %1, col %2: %3\n").arg(line).arg(column).arg(message);
            return;
        }
        const QDomElement root = document.documentElement();
        info.id = attribute(root, QStringLiteral("id"));
        info.homePage = enabledSwitch(root, QStringLiteral("HomePage"));
        info.latestNews = enabledSwitch(root, QStringLiteral("LatestNews"));
        info.checkForUpdates = enabledSwitch(root, QStringLiteral("CheckForUpdates"));
        info.tutorials = enabledSwitch(root, QStringLiteral("Tutorials"));
        const QDomElement about = child(root, QStringLiteral("AboutBoxText"));
        info.aboutText = about.isNull() ? QString() : about.text();
        const QDomElement email = child(root, QStringLiteral("Email"));
        if (!email.isNull()) info.supportEmail = attribute(email, QStringLiteral("support"));
    }

private:
    QDomElement child(const QDomElement& parent, const QString& name) {
        const QDomElement element = parent.firstChildElement(name);
        if (element.isNull())
            errors_ += QStringLiteral("Error: Could not find element '%1', child of '%2'\n")
                           .arg(name, parent.tagName());
        return element;
    }

    QString attribute(const QDomElement& element, const QString& name) {
        if (!element.hasAttribute(name)) {
            errors_ += QStringLiteral("Error: Expected attribute '%1' to be defined for tag '%2'\n")
                           .arg(name, element.tagName());
            return QString();
        }
        return element.attribute(name);
    }

    // "enabled" of the child `name`: "1" on, "0" off; anything else is an
    // error and reads as off.
    bool enabledSwitch(const QDomElement& root, const QString& name) {
        const QDomElement element = child(root, name);
        if (element.isNull()) return false;
        const QString enabled = QStringLiteral("enabled");
        if (!element.hasAttribute(enabled)) {
            attribute(element, enabled);
            return false;
        }
        const QString value = element.attribute(enabled);
        if (value == QLatin1String("1")) return true;
        if (value != QLatin1String("0"))
            errors_ +=
                QStringLiteral("Error: Invalid value '%1' for attribute '%2' of element '%3'\n")
                    .arg(value, enabled, element.tagName());
        return false;
    }

    QString& errors_;
};

// The base itself, or its section for the distributor. The id is written as
// one percent-encoded path segment: blanks and slashes stay inside it.
QString siteUrl(const QString& base, const QString& id) {
    if (id.isEmpty()) return base;
    const QString segment = QString::fromLatin1(QUrl::toPercentEncoding(id));
    return QStringLiteral("%1distributors/%2/").arg(base, segment);
}

} // namespace

QString DistributorInfo::productSiteUrl() const {
    return siteUrl(productSiteBase(), id);
}

QString DistributorInfo::makerSiteUrl() const {
    return siteUrl(makerSiteBase(), id);
}

QString DistributorInfo::productPageUrl(const QString& page) const {
    if (page.isEmpty()) return QString();
    return productSiteUrl() + page;
}

DistributorInfo readDistributorInfo(const QString& folder) {
    DistributorInfo info;
    const QDir dir(folder);
    info.logoPath = dir.absoluteFilePath(QStringLiteral("distributor.png"));
    info.xmlPath = dir.absoluteFilePath(QStringLiteral("distributor.xml"));
    info.logo.load(info.logoPath);

    QFile file(info.xmlPath);
    if (!file.open(QIODevice::ReadOnly)) return info;

    // Read into a scratch record, so that a file with any error changes nothing.
    DistributorInfo scratch;
    CustomisationReader(info.errors).read(file, scratch);
    if (!info.errors.isEmpty()) {
        logStream() << "ERRORS found in " << info.xmlPath << "\n"
                    << info.errors.left(info.errors.size() - 1) << endLogLine;
        return info;
    }
    info.id = scratch.id;
    info.aboutText = scratch.aboutText;
    info.latestNews = scratch.latestNews;
    info.homePage = scratch.homePage;
    info.checkForUpdates = scratch.checkForUpdates;
    info.tutorials = scratch.tutorials;
    info.supportEmail = scratch.supportEmail;
    return info;
}

const DistributorInfo& distributorInfo() {
    static const DistributorInfo info = readDistributorInfo(appFolderFilePath(QStringLiteral(".")));
    return info;
}

QString distributorId() {
    return distributorInfo().id;
}

QString distributorAboutText() {
    return distributorInfo().aboutText;
}

QPixmap distributorLogo() {
    return QPixmap::fromImage(distributorInfo().logo);
}

QString productSiteUrl() {
    return distributorInfo().productSiteUrl();
}

QString makerSiteUrl() {
    return distributorInfo().makerSiteUrl();
}

QString productPageUrl(const QString& page) {
    return distributorInfo().productPageUrl(page);
}

QString productSiteBase() {
    return QStringLiteral("https://zeltran.%1/").arg(organisationDomain());
}

QString makerSiteBase() {
    return QStringLiteral("https://www.%1/").arg(organisationDomain());
}
