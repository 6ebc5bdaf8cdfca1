// The "Workspace Settings" dialog: the preferences (ZtAppPrefs) on two tabs,
// "General" (how option panels start, pen pressure) and "Colors" (the seven
// colours). OK keeps the edits; Cancel puts every colour back as it was
// committed. The two switches reach the preferences only on OK; the colours
// change at once while the user picks them.
//
// The dialog reopens on the tab last shown in this run. The colour buttons
// belong to their colours: the dialog takes them out of its grid before it
// dies, so that the next dialog shows the same buttons.
#ifndef APP_SHELL_ZT_APP_PREFS_DIALOG_H
#define APP_SHELL_ZT_APP_PREFS_DIALOG_H

#include <QDialog>
#include <QList>
#include <QPointer>

class QCheckBox;
class QGridLayout;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class ZtAppPrefs;

class ZtAppPrefsDialog : public QDialog {
    Q_OBJECT
public:
    // Edits the preferences of the running program (ZtAppPrefs::instance()).
    explicit ZtAppPrefsDialog(QWidget* parent = nullptr);
    ~ZtAppPrefsDialog() override;

    // Runs the dialog; on OK the switches go to the preferences and every
    // colour commits, on Cancel every colour reverts. Answers QDialog's result.
    int exec() override;

    QTabWidget* tabs() const { return tabs_; }
    QRadioButton* useDefaultsButton() const { return useDefaults_; }
    QRadioButton* restoreLastSessionButton() const { return restoreLastSession_; }
    QCheckBox* tabletPressureBox() const { return tabletPressure_; }
    QGridLayout* colorGrid() const { return colorGrid_; }
    QPushButton* restoreDefaultsButton() const { return restoreDefaults_; }

private:
    QWidget* buildGeneralTab();
    QWidget* buildColorsTab();

    ZtAppPrefs* prefs_;
    QTabWidget* tabs_ = nullptr;
    QRadioButton* useDefaults_ = nullptr;
    QRadioButton* restoreLastSession_ = nullptr;
    QCheckBox* tabletPressure_ = nullptr;
    QGridLayout* colorGrid_ = nullptr;
    QPushButton* restoreDefaults_ = nullptr;
    QList<QPointer<QToolButton>> colorButtons_;
};

#endif
