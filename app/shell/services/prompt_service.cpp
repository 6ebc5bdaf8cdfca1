#include "shell/services/prompt_service.h"

#include "shell/services/dialog_prompt_service.h"

namespace {

PromptService* installedService = nullptr;

} // namespace

PromptService::~PromptService() = default;

PromptService::Button PromptService::messageWithCheckBox(QWidget* parent, Kind kind,
                                                         const QString& title, const QString& text,
                                                         const QString&, bool* checked,
                                                         Buttons buttons) {
    if (checked) *checked = false;
    return message(parent, kind, title, text, buttons);
}

QVector<QColor> PromptService::customColours() const {
    return {};
}

void PromptService::setCustomColour(int, const QColor&) {}

PromptService* promptService() {
    static DialogPromptService dialogs;
    return installedService ? installedService : &dialogs;
}

void setPromptService(PromptService* service) {
    installedService = service;
}
