// The prompt service of the running program: the real Qt dialogs.
#ifndef APP_SHELL_SERVICES_DIALOG_PROMPT_SERVICE_H
#define APP_SHELL_SERVICES_DIALOG_PROMPT_SERVICE_H

#include "shell/services/prompt_service.h"

class DialogPromptService : public PromptService {
public:
    Button message(QWidget* parent, Kind kind, const QString& title, const QString& text,
                   Buttons buttons, Button defaultButton) override;
    // A fixed-size box with the check box under the text.
    Button messageWithCheckBox(QWidget* parent, Kind kind, const QString& title,
                               const QString& text, const QString& checkBoxText, bool* checked,
                               Buttons buttons) override;
    int choice(QWidget* parent, Kind kind, const QString& title, const QString& text,
               const QStringList& buttons) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter, QString* selectedFilter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& path,
                         const QString& filter, QString* selectedFilter) override;
    QColor colour(QWidget* parent, const QColor& initial, const QString& title) override;
    QVector<QColor> customColours() const override;
    void setCustomColour(int index, const QColor& colour) override;
};

#endif
