// A prompt service for tests: answers from a script, in order, and records
// what was asked. A prompt with no answer left is answered cautiously (no
// button, index -1, no file name, an invalid colour) and, while strict (the
// default), fails the test.
#ifndef TESTS_APP_SUPPORT_SCRIPTED_PROMPT_SERVICE_H
#define TESTS_APP_SUPPORT_SCRIPTED_PROMPT_SERVICE_H

#include "shell/services/prompt_service.h"

#include <QVariant>
#include <QVector>

namespace test_support {

class ScriptedPromptService : public PromptService {
public:
    enum class Dialog { Message, Choice, OpenFileName, SaveFileName, Colour, CheckedMessage };

    // One prompt as it was asked. For file dialogs, title is the caption and
    // text the starting folder or path; for the colour dialog, text is the
    // initial colour's name. A message with a check box records the box's
    // text in checkBoxText.
    struct Prompt {
        Dialog dialog;
        Kind kind;
        QString title;
        QString text;
        Buttons buttons;
        Button defaultButton;
        QStringList choices;
        QString filter;
        QString checkBoxText;
    };

    // Queue the answers, in the order the prompts will come.
    void answer(Button button);
    void answerChoice(int index);
    void answerFileName(const QString& name, const QString& selectedFilter = QString());
    void answerColour(const QColor& colour);
    // A message with a check box: the button pressed and whether the box
    // was left checked.
    void answerWithCheckBox(bool checked, Button button = Ok);

    const QVector<Prompt>& asked() const { return asked_; }
    int pendingAnswers() const { return answers_.size(); }
    void setStrict(bool strict) { strict_ = strict; }
    // Forgets the script and the record, and becomes strict again.
    void reset();

    Button message(QWidget* parent, Kind kind, const QString& title, const QString& text,
                   Buttons buttons, Button defaultButton) override;
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
    // A palette of sixteen custom colours like the real dialog's, white until
    // set; reset() makes it white again.
    QVector<QColor> customColours() const override { return customColours_; }
    void setCustomColour(int index, const QColor& colour) override;

private:
    struct Answer {
        Dialog dialog;
        QVariant value;
        QString selectedFilter;
        bool checked = false;
    };
    // The next answer when it is for `dialog`; null (and a failure when strict) otherwise.
    const Answer* next(const Prompt& prompt);

    QVector<Answer> answers_;
    Answer current_;
    QVector<Prompt> asked_;
    QVector<QColor> customColours_ = QVector<QColor>(16, QColor(Qt::white));
    bool strict_ = true;
};

} // namespace test_support

#endif
