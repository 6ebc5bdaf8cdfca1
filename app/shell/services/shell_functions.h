// Small functions the whole shell shares: the product's identity texts.
#ifndef APP_SHELL_SERVICES_SHELL_FUNCTIONS_H
#define APP_SHELL_SERVICES_SHELL_FUNCTIONS_H

#include <QString>

// The product's name as users read it: "Zeltran 3".
QString productName();

// The settings application name and the name of the program's data folders: "Zeltran3".
QString applicationName();

// The settings organisation: "OstralTech".
QString organisationName();

#endif
