// The settings steps of the start: a new installation resets the stored
// window layout, and the machine's identifier is made once.
#include "shell/zt_app_settings.h"

#include "shell/services/shell_functions.h"
#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The user's and the machine's settings each in a folder of their own.
class StartSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        redirect(QSettings::UserScope, dir_.filePath("user"));
        redirect(QSettings::SystemScope, dir_.filePath("machine"));
    }
    void TearDown() override {
        const QString shared = QDir(test_support::scratchPath()).filePath("settings");
        redirect(QSettings::UserScope, shared);
        redirect(QSettings::SystemScope, shared);
    }
    static void redirect(QSettings::Scope scope, const QString& folder) {
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, scope, folder);
    }

    static QSettings* user(const QString& application = applicationName()) {
        auto* settings = new QSettings(QSettings::UserScope, organisationName(), application);
        settings->setFallbacksEnabled(false);
        return settings;
    }
    static QSettings* machine(const QString& application = applicationName()) {
        auto* settings = new QSettings(QSettings::SystemScope, organisationName(), application);
        settings->setFallbacksEnabled(false);
        return settings;
    }

    static void storeUserLayout(const QString& installation) {
        std::unique_ptr<QSettings> settings(user());
        if (!installation.isEmpty()) settings->setValue("ID", installation);
        settings->setValue("UI/Geometry", QByteArray("geometry"));
        settings->setValue("UI/SubWindows/Navigator/Visible", true);
        settings->setValue("PersistVersion", 2);
        settings->setValue("Preferences/PersistOptions", true);
    }

    QTemporaryDir dir_;
};

TEST_F(StartSettingsTest, ANewInstallationDropsTheStoredLayoutAndKeepsTheRest) {
    struct Case {
        const char* name;
        QString machineId;
        QString userId;
        bool reset;
    };
    const Case cases[] = {
        {"changed", "install-2", "install-1", true},
        {"user has none", "install-2", "", true},
        {"unchanged", "install-1", "install-1", false},
        {"machine has none", "", "install-1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QSettings>(user())->clear();
        std::unique_ptr<QSettings>(machine())->clear();
        if (!c.machineId.isEmpty())
            std::unique_ptr<QSettings>(machine())->setValue("ID", c.machineId);
        storeUserLayout(c.userId);

        EXPECT_EQ(resetLayoutForNewInstallation(), c.reset);
        std::unique_ptr<QSettings> after(user());
        EXPECT_EQ(after->childGroups().contains("UI"), !c.reset);
        EXPECT_EQ(after->contains("PersistVersion"), !c.reset);
        EXPECT_TRUE(after->value("Preferences/PersistOptions").toBool());
        EXPECT_EQ(after->value("ID").toString(), c.reset ? c.machineId : c.userId);
        // Once taken, the installation is no longer new.
        EXPECT_FALSE(resetLayoutForNewInstallation());
    }
}

TEST_F(StartSettingsTest, TheMachineIdentifierIsMadeOnceInTheMachinesSettings) {
    const QString made = ensureMachineId();
    EXPECT_TRUE(made.startsWith('{') && made.endsWith('}')) << made.toStdString();
    std::unique_ptr<QSettings> organisation(machine(QString()));
    EXPECT_EQ(organisation->value("MID").toString(), made);
    EXPECT_FALSE(std::unique_ptr<QSettings>(user(QString()))->contains("MID"));

    // A later start keeps it, even when another one is stored there meanwhile.
    organisation->setValue("MID", "{kept}");
    organisation->sync();
    EXPECT_EQ(ensureMachineId(), QStringLiteral("{kept}"));
    EXPECT_EQ(organisation->value("MID").toString(), QStringLiteral("{kept}"));

    // The application's own user settings see it through their fallbacks.
    QSettings application(QSettings::UserScope, organisationName(), applicationName());
    EXPECT_EQ(application.value("MID", "N/A").toString(), QStringLiteral("{kept}"));
}

TEST_F(StartSettingsTest, MachineSettingsThatCannotBeWrittenLeaveTheIdentifierToTheUser) {
    // The machine's settings folder lies below a plain file: nothing can be made there.
    QFile blocker(dir_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    redirect(QSettings::SystemScope, dir_.filePath("blocker/machine"));

    const QString made = ensureMachineId();
    EXPECT_FALSE(made.isEmpty());
    EXPECT_EQ(std::unique_ptr<QSettings>(user(QString()))->value("MID").toString(), made);
    // Made once: the next start finds the user's.
    EXPECT_EQ(ensureMachineId(), made);
}

} // namespace
