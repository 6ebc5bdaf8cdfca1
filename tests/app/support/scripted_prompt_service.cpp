#include "support/scripted_prompt_service.h"

#include <gtest/gtest.h>

namespace test_support {

namespace {

const char* dialogName(ScriptedPromptService::Dialog dialog) {
    switch (dialog) {
    case ScriptedPromptService::Dialog::Message:
        return "message";
    case ScriptedPromptService::Dialog::Choice:
        return "choice";
    case ScriptedPromptService::Dialog::OpenFileName:
        return "open file name";
    case ScriptedPromptService::Dialog::SaveFileName:
        return "save file name";
    case ScriptedPromptService::Dialog::Colour:
        return "colour";
    case ScriptedPromptService::Dialog::CheckedMessage:
        return "message with a check box";
    }
    return "?";
}

} // namespace

void ScriptedPromptService::answer(Button button) {
    answers_.append({Dialog::Message, QVariant(static_cast<int>(button)), QString(), false});
}

void ScriptedPromptService::answerWithCheckBox(bool checked, Button button) {
    answers_.append(
        {Dialog::CheckedMessage, QVariant(static_cast<int>(button)), QString(), checked});
}

void ScriptedPromptService::answerChoice(int index) {
    answers_.append({Dialog::Choice, QVariant(index), QString(), false});
}

void ScriptedPromptService::answerFileName(const QString& name, const QString& selectedFilter) {
    // One answer serves either file dialog; the kind is checked loosely.
    answers_.append({Dialog::OpenFileName, QVariant(name), selectedFilter, false});
}

void ScriptedPromptService::answerColour(const QColor& colour) {
    answers_.append({Dialog::Colour, QVariant(colour), QString(), false});
}

void ScriptedPromptService::reset() {
    answers_.clear();
    asked_.clear();
    customColours_.fill(QColor(Qt::white));
    strict_ = true;
}

void ScriptedPromptService::setCustomColour(int index, const QColor& colour) {
    if (index >= 0 && index < customColours_.size()) customColours_[index] = colour;
}

const ScriptedPromptService::Answer* ScriptedPromptService::next(const Prompt& prompt) {
    asked_.append(prompt);
    const bool fileDialog =
        prompt.dialog == Dialog::OpenFileName || prompt.dialog == Dialog::SaveFileName;
    if (!answers_.isEmpty()) {
        const Dialog wanted = fileDialog ? Dialog::OpenFileName : prompt.dialog;
        if (answers_.first().dialog == wanted) {
            current_ = answers_.takeFirst();
            return &current_;
        }
        if (strict_)
            ADD_FAILURE() << "The script answers a " << dialogName(answers_.first().dialog)
                          << " prompt, but a " << dialogName(prompt.dialog)
                          << " prompt was asked: \"" << prompt.title.toStdString() << "\" \""
                          << prompt.text.toStdString() << "\"";
        return nullptr;
    }
    if (strict_)
        ADD_FAILURE() << "Unscripted " << dialogName(prompt.dialog) << " prompt: \""
                      << prompt.title.toStdString() << "\" \"" << prompt.text.toStdString() << "\"";
    return nullptr;
}

PromptService::Button ScriptedPromptService::message(QWidget*, Kind kind, const QString& title,
                                                     const QString& text, Buttons buttons,
                                                     Button defaultButton) {
    const Answer* a =
        next({Dialog::Message, kind, title, text, buttons, defaultButton, {}, {}, {}});
    return a ? static_cast<Button>(a->value.toInt()) : NoButton;
}

PromptService::Button ScriptedPromptService::messageWithCheckBox(QWidget*, Kind kind,
                                                                 const QString& title,
                                                                 const QString& text,
                                                                 const QString& checkBoxText,
                                                                 bool* checked, Buttons buttons) {
    const Answer* a =
        next({Dialog::CheckedMessage, kind, title, text, buttons, NoButton, {}, {}, checkBoxText});
    if (checked) *checked = a && a->checked;
    return a ? static_cast<Button>(a->value.toInt()) : NoButton;
}

int ScriptedPromptService::choice(QWidget*, Kind kind, const QString& title, const QString& text,
                                  const QStringList& buttons) {
    const Answer* a =
        next({Dialog::Choice, kind, title, text, NoButton, NoButton, buttons, {}, {}});
    return a ? a->value.toInt() : -1;
}

QString ScriptedPromptService::openFileName(QWidget*, const QString& caption, const QString& folder,
                                            const QString& filter, QString* selectedFilter) {
    const Answer* a = next({Dialog::OpenFileName,
                            Kind::Question,
                            caption,
                            folder,
                            NoButton,
                            NoButton,
                            {},
                            filter,
                            {}});
    if (a && selectedFilter && !a->selectedFilter.isEmpty()) *selectedFilter = a->selectedFilter;
    return a ? a->value.toString() : QString();
}

QString ScriptedPromptService::saveFileName(QWidget*, const QString& caption, const QString& path,
                                            const QString& filter, QString* selectedFilter) {
    const Answer* a = next(
        {Dialog::SaveFileName, Kind::Question, caption, path, NoButton, NoButton, {}, filter, {}});
    if (a && selectedFilter && !a->selectedFilter.isEmpty()) *selectedFilter = a->selectedFilter;
    return a ? a->value.toString() : QString();
}

QColor ScriptedPromptService::colour(QWidget*, const QColor& initial, const QString& title) {
    const Answer* a = next({Dialog::Colour,
                            Kind::Question,
                            title,
                            initial.name(QColor::HexArgb),
                            NoButton,
                            NoButton,
                            {},
                            {},
                            {}});
    return a ? a->value.value<QColor>() : QColor();
}

} // namespace test_support
