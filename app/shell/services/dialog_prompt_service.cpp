#include "shell/services/dialog_prompt_service.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconOf(PromptService::Kind kind) {
    switch (kind) {
    case PromptService::Kind::Information:
        return QMessageBox::Information;
    case PromptService::Kind::Warning:
        return QMessageBox::Warning;
    case PromptService::Kind::Critical:
        return QMessageBox::Critical;
    case PromptService::Kind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

PromptService::Button DialogPromptService::message(QWidget* parent, Kind kind, const QString& title,
                                                   const QString& text, Buttons buttons,
                                                   Button defaultButton) {
    QMessageBox box(iconOf(kind), title, text,
                    QMessageBox::StandardButtons(static_cast<int>(buttons)), parent);
    if (defaultButton != NoButton)
        box.setDefaultButton(static_cast<QMessageBox::StandardButton>(defaultButton));
    box.exec();
    return static_cast<Button>(box.standardButton(box.clickedButton()));
}

PromptService::Button DialogPromptService::messageWithCheckBox(QWidget* parent, Kind kind,
                                                               const QString& title,
                                                               const QString& text,
                                                               const QString& checkBoxText,
                                                               bool* checked, Buttons buttons) {
    QMessageBox box(iconOf(kind), title, text,
                    QMessageBox::StandardButtons(static_cast<int>(buttons)), parent,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* checkBox = new QCheckBox(checkBoxText, &box);
    box.setCheckBox(checkBox);
    box.exec();
    if (checked) *checked = checkBox->isChecked();
    return static_cast<Button>(box.standardButton(box.clickedButton()));
}

int DialogPromptService::choice(QWidget* parent, Kind kind, const QString& title,
                                const QString& text, const QStringList& buttons) {
    QMessageBox box(iconOf(kind), title, text, QMessageBox::NoButton, parent);
    QList<QPushButton*> added;
    for (int i = 0; i < buttons.size(); ++i) {
        const bool last = i == buttons.size() - 1;
        const QMessageBox::ButtonRole role = i == 0 ? QMessageBox::AcceptRole
                                             : last ? QMessageBox::RejectRole
                                                    : QMessageBox::ActionRole;
        added << box.addButton(buttons.at(i), role);
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(added.first());
        box.setEscapeButton(added.last());
    }
    box.exec();
    return added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
}

QString DialogPromptService::openFileName(QWidget* parent, const QString& caption,
                                          const QString& folder, const QString& filter,
                                          QString* selectedFilter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter, selectedFilter);
}

QString DialogPromptService::saveFileName(QWidget* parent, const QString& caption,
                                          const QString& path, const QString& filter,
                                          QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, path, filter, selectedFilter);
}

QColor DialogPromptService::colour(QWidget* parent, const QColor& initial, const QString& title) {
    return QColorDialog::getColor(initial, parent, title);
}

QVector<QColor> DialogPromptService::customColours() const {
    QVector<QColor> colours;
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        colours << QColorDialog::customColor(i);
    return colours;
}

void DialogPromptService::setCustomColour(int index, const QColor& colour) {
    if (index >= 0 && index < QColorDialog::customCount())
        QColorDialog::setCustomColor(index, colour);
}
