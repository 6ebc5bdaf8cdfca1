// A reseller brands an installation with files next to the program:
// "distributor.xml" names the distributor, carries the about box's text and
// switches the web features (home page, latest news, update checks,
// tutorials) on or off; "distributor.png" is the about box's logo. Without
// them everything is on and nothing is branded.
//
// The customisation is read once, on first use, into one process-wide record.
// A file with any error is reported in the log ("ERRORS found in") and
// ignored as a whole; the logo is used whenever it loads, with or without the
// XML file.
//
// The distributor's id also chooses its section of the product web site, so
// every web address of the program is built here.
//
//   <distributor id="acme">
//     <HomePage enabled="1"/> <LatestNews enabled="0"/>
//     <CheckForUpdates enabled="1"/> <Tutorials enabled="1"/>
//     <AboutBoxText>Supplied by Acme</AboutBoxText>
//     <Email support="help@acme.example"/>
//   </distributor>
#ifndef APP_SHELL_DISTRIBUTOR_INFO_H
#define APP_SHELL_DISTRIBUTOR_INFO_H

#include <QImage>
#include <QPixmap>
#include <QString>

struct DistributorInfo {
    QString id;
    // Rich text for the about box.
    QString aboutText;
    // The switches, all on without a valid file.
    bool latestNews = true;
    bool homePage = true;
    bool checkForUpdates = true;
    bool tutorials = true;
    QString supportEmail;
    // Null when "distributor.png" is absent or unreadable.
    QImage logo;
    QString logoPath;
    QString xmlPath;
    // What was wrong with the XML file, one "Error: ..." line each; empty
    // when it was read (or there was none).
    QString errors;

    // The product site's base, or its "distributors/<id>/" section.
    QString productSiteUrl() const;
    // The maker site's base, or its "distributors/<id>/" section.
    QString makerSiteUrl() const;
    // productSiteUrl() + page (a relative path); empty for an empty page.
    QString productPageUrl(const QString& page) const;
};

// Reads the customisation files of `folder`. Nothing is cached.
DistributorInfo readDistributorInfo(const QString& folder);

// The process-wide record, read from the program's folder on the first call.
const DistributorInfo& distributorInfo();

// Copies of the process-wide record's fields.
QString distributorId();
QString distributorAboutText();
QPixmap distributorLogo();

// The process-wide record's web addresses.
QString productSiteUrl();
QString makerSiteUrl();
QString productPageUrl(const QString& page);

// The fixed bases of the maker's web service: the product pages (news,
// version pages, tutorials, home page) and the main site (download pages).
// Both end with "/".
QString productSiteBase();
QString makerSiteBase();

#endif
