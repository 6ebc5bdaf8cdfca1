#include "shell/zt_app_settings.h"

#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QSettings>
#include <QUuid>

namespace {

const char* const kInstallationId = "ID";
const char* const kMachineId = "MID";

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

void setApplicationIdentity() {
    QCoreApplication::setOrganizationName(organisationName());
    QCoreApplication::setOrganizationDomain(organisationDomain());
    QCoreApplication::setApplicationName(applicationName());
}

bool resetLayoutForNewInstallation() {
    QSettings machine(QSettings::SystemScope, organisationName(), applicationName());
    machine.setFallbacksEnabled(false);
    const QString installation = machine.value(key(kInstallationId)).toString();
    if (installation.isEmpty()) return false;

    QSettings user(QSettings::UserScope, organisationName(), applicationName());
    user.setFallbacksEnabled(false);
    if (user.value(key(kInstallationId)).toString() == installation) return false;
    // A new installation starts with the default window layout.
    user.remove(QStringLiteral("UI"));
    user.remove(QStringLiteral("PersistVersion"));
    user.setValue(key(kInstallationId), installation);
    return true;
}

QString ensureMachineId() {
    QSettings machine(QSettings::SystemScope, organisationName(), QString());
    machine.setFallbacksEnabled(false);
    const QString stored = machine.value(key(kMachineId)).toString();
    if (!stored.isEmpty()) return stored;

    QSettings user(QSettings::UserScope, organisationName(), QString());
    user.setFallbacksEnabled(false);
    const QString userStored = user.value(key(kMachineId)).toString();
    if (!userStored.isEmpty()) return userStored;

    static const QString made = QUuid::createUuid().toString(QUuid::WithBraces);
    machine.setValue(key(kMachineId), made);
    machine.sync();
    if (machine.status() != QSettings::NoError) {
        // The machine's settings are not ours to write: the user keeps it.
        user.setValue(key(kMachineId), made);
        user.sync();
    }
    return made;
}

QString machineLibraryFolder() {
    QSettings machine(QSettings::SystemScope, organisationName(), applicationName());
    machine.setFallbacksEnabled(false);
    return machine.value(QStringLiteral("Libraries")).toString();
}
