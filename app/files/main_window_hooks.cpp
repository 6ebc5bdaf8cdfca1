#include "files/main_window_hooks.h"

#include "shell/services/logger.h"

namespace {

InternalErrorHook& internalErrorHook() {
    static InternalErrorHook hook;
    return hook;
}

std::function<QWidget*()>& dialogParentHook() {
    static std::function<QWidget*()> hook;
    return hook;
}

} // namespace

void setInternalErrorHook(InternalErrorHook hook) {
    internalErrorHook() = std::move(hook);
}

void reportInternalError(const QString& commandText, const QString& errorText) {
    if (internalErrorHook()) {
        internalErrorHook()(commandText, errorText);
        return;
    }
    logStream() << "Internal error: " << commandText << ": " << errorText << endLogLine;
}

void setDialogParentHook(std::function<QWidget*()> hook) {
    dialogParentHook() = std::move(hook);
}

QWidget* dialogParent() {
    return dialogParentHook() ? dialogParentHook()() : nullptr;
}
