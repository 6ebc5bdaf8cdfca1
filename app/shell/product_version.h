// The program's version and the source revision it was built from. The about
// box shows versionText() and the application object writes the same text
// into the log's version line; the update check asks for the page of this
// version.
#ifndef APP_SHELL_PRODUCT_VERSION_H
#define APP_SHELL_PRODUCT_VERSION_H

#include <QString>

constexpr int kVersionMajor = 3;
constexpr int kVersionMinor = 3;
constexpr int kVersionPatch = 18;

// The source revision of this build: 40 hexadecimal digits, fixed here so that
// every build of this version names the same revision.
constexpr char kSourceRevision[] = "390ce6eb22169d1707229c58f58c667682a860e9";

// "3.3.18".
QString versionNumberText();

// "3.3.18 (" + kSourceRevision + ")".
QString versionText();

#endif
