// The settings steps of the program's start, before and after the
// application object exists: the settings identity, the reset of the stored
// window layout for a new installation, the machine's identifier, and the
// library folder an installation may name.
//
// Machine-wide settings are the system scope of QSettings; an installation
// writes its identifier "ID" there, and the first run on a machine its
// identifier "MID" (in the user's settings when the machine's are not writable).
#ifndef APP_SHELL_ZT_APP_SETTINGS_H
#define APP_SHELL_ZT_APP_SETTINGS_H

#include <QString>

// The organisation, its domain and the application name of every QSettings.
void setApplicationIdentity();

// When the machine-wide settings name an installation ("ID", not empty) that
// differs from the user's, the user's window layout ("UI") and its version
// ("PersistVersion") are removed and the user takes the machine's "ID". True
// when the layout was reset.
bool resetLayoutForNewInstallation();

// Makes sure the organisation-wide settings hold the machine's identifier
// "MID": when neither the machine's nor the user's hold one, a new UUID (in
// braces) is stored in the machine's, or, when those cannot be written, in
// the user's. Answers the identifier in effect.
QString ensureMachineId();

// The machine-wide "Libraries" setting: the one folder Qt loads its plug-ins
// from, when not empty.
QString machineLibraryFolder();

#endif
