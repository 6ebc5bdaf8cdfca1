// Where the local help pages and the tutorials are. Both are plain settings
// keys (default organisation and application), so that an installer or an
// administrator can move them:
//   "HelpRoot"       the help folder, one subfolder per language
//                    (default: the program's folder's "Help");
//   "TutorialsRoot"  the tutorials start page, a file
//                    (default: the program's folder's "Tutorials/index.htm").
// Every local address is built with QUrl::fromLocalFile, so that paths with
// blanks or "#" and absolute Linux paths give proper file URLs. Pages are
// opened by their callers through QDesktopServices::openUrl.
#ifndef APP_SHELL_SERVICES_HELP_LOCATIONS_H
#define APP_SHELL_SERVICES_HELP_LOCATIONS_H

#include <QString>

// The help folder's URL (no trailing slash) + "/" + the language code. The
// code is the translated text "en" (context "ZtApp", disambiguation
// "[all]Two letter code of the current locale"), so the installed catalogue
// chooses the help's language. A relative help link ("4-Zeltran_Tools/
// Navigator.htm") resolves as helpRoot() + "/" + link.
QString helpRoot();

// helpRoot() + "/index.htm".
QString helpIndexUrl();

// The file URL of the "TutorialsRoot" page when that file exists; otherwise
// the tutorials page of the product web site: `productSiteUrl` followed by the
// translated relative path "en/zt_tutorials.html" (context "ZtApp", "[zt3]").
QString tutorialsUrl(const QString& productSiteUrl);

#endif
