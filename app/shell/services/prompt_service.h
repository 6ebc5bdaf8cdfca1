// Every question and dialog the program shows goes through one prompt
// service: message boxes, choices between buttons of the caller's own texts,
// file-name dialogs and the colour dialog. The program uses the real dialogs;
// tests install a service that answers from a script and records what was
// asked, so no test ever waits on a modal dialog.
//
// This header includes no widget header, so the model and the engine bridge
// may ask questions too. All calls are made on the user-interface thread.
#ifndef APP_SHELL_SERVICES_PROMPT_SERVICE_H
#define APP_SHELL_SERVICES_PROMPT_SERVICE_H

#include <QColor>
#include <QFlags>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

class PromptService {
public:
    // The icon and sound of a message box.
    enum class Kind { Information, Warning, Critical, Question };

    // Standard buttons; the values are those of QMessageBox::StandardButton.
    enum Button {
        NoButton = 0x00000000,
        Ok = 0x00000400,
        Save = 0x00000800,
        SaveAll = 0x00001000,
        Open = 0x00002000,
        Yes = 0x00004000,
        YesToAll = 0x00008000,
        No = 0x00010000,
        NoToAll = 0x00020000,
        Abort = 0x00040000,
        Retry = 0x00080000,
        Ignore = 0x00100000,
        Close = 0x00200000,
        Cancel = 0x00400000,
        Discard = 0x00800000,
        Help = 0x01000000,
        Apply = 0x02000000,
        Reset = 0x04000000,
        RestoreDefaults = 0x08000000,
    };
    Q_DECLARE_FLAGS(Buttons, Button)

    PromptService() = default;
    virtual ~PromptService();
    PromptService(const PromptService&) = delete;
    PromptService& operator=(const PromptService&) = delete;

    // A message box with standard buttons; answers the button pressed
    // (Escape gives the escape button Qt chooses, NoButton when there is none).
    virtual Button message(QWidget* parent, Kind kind, const QString& title, const QString& text,
                           Buttons buttons = Ok, Button defaultButton = NoButton) = 0;

    // A message box with standard buttons and, under the text, a check box
    // of `checkBoxText` (a "Don't tell me again." box), unchecked at first;
    // *checked (when given) receives whether the user left it checked.
    // Answers the button pressed, as message() does. A service that shows no
    // such box asks message() and answers unchecked.
    virtual Button messageWithCheckBox(QWidget* parent, Kind kind, const QString& title,
                                       const QString& text, const QString& checkBoxText,
                                       bool* checked, Buttons buttons = Ok);

    // A message box with buttons of the caller's own texts, in order: the
    // first accepts and is the default, the last answers Escape. Answers the
    // index of the button pressed, -1 when none was.
    virtual int choice(QWidget* parent, Kind kind, const QString& title, const QString& text,
                       const QStringList& buttons) = 0;

    // The name of an existing file to open, empty when cancelled. `filter` is
    // a Qt name filter ("Images (*.png *.jpg);;All files (*)"); a non-empty
    // *selectedFilter is preselected and receives the filter chosen.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter, QString* selectedFilter = nullptr) = 0;

    // A file name to save to, starting from `path` (a folder or a suggested
    // name); empty when cancelled. Filters as for openFileName.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& path,
                                 const QString& filter, QString* selectedFilter = nullptr) = 0;

    // A colour, starting from `initial`; an invalid colour when cancelled.
    virtual QColor colour(QWidget* parent, const QColor& initial, const QString& title) = 0;

    // The colour dialog's custom colours (the user's own palette), in order.
    // A service without such a palette has none.
    virtual QVector<QColor> customColours() const;
    // Sets one entry of that palette; an index outside it is ignored.
    virtual void setCustomColour(int index, const QColor& colour);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PromptService::Buttons)

// The installed prompt service; the real dialogs when none is installed.
PromptService* promptService();

// Installs `service` (not owned; it must outlive its use); null restores the real dialogs.
void setPromptService(PromptService* service);

#endif
