#include "shell/services/shell_functions.h"

QString productName() {
    return QStringLiteral("Zeltran 3");
}

QString applicationName() {
    return QStringLiteral("Zeltran3");
}

QString organisationName() {
    return QStringLiteral("OstralTech");
}
