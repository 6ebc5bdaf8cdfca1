#include "shell/services/prompt_service.h"

#include "shell/services/dialog_prompt_service.h"

namespace {

PromptService* installedService = nullptr;

} // namespace

PromptService::~PromptService() = default;

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
