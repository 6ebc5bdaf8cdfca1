#include "shell/product_version.h"

QString versionNumberText() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

QString versionText() {
    return versionNumberText() + QStringLiteral(" (") + QLatin1String(kSourceRevision) +
           QLatin1Char(')');
}
