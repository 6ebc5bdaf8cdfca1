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

std::function<void(bool)>& windowBusyHook() {
    static std::function<void(bool)> hook;
    return hook;
}

std::function<void(const QString&)>& tipHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

std::function<int()>& runModeHook() {
    static std::function<int()> hook;
    return hook;
}

std::function<bool(const QString&)>& confirmDiscardHook() {
    static std::function<bool(const QString&)> hook;
    return hook;
}

std::function<void(const QString&, int)>& statusMessageHook() {
    static std::function<void(const QString&, int)> hook;
    return hook;
}

std::function<void()>& raiseWindowHook() {
    static std::function<void()> hook;
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

void setWindowBusyHook(std::function<void(bool)> hook) {
    windowBusyHook() = std::move(hook);
}

void setWindowBusy(bool busy) {
    if (windowBusyHook()) windowBusyHook()(busy);
}

void setTipHook(std::function<void(const QString&)> hook) {
    tipHook() = std::move(hook);
}

void showTip(const QString& html) {
    if (tipHook()) {
        tipHook()(html);
        return;
    }
    logStream() << "Tip: " << html << endLogLine;
}

void setRunModeHook(std::function<int()> hook) {
    runModeHook() = std::move(hook);
}

int runMode() {
    return runModeHook() ? runModeHook()() : StandaloneMode;
}

void setConfirmDiscardHook(std::function<bool(const QString& title)> hook) {
    confirmDiscardHook() = std::move(hook);
}

bool confirmDiscardChanges(const QString& title) {
    return confirmDiscardHook() ? confirmDiscardHook()(title) : true;
}

void setStatusMessageHook(std::function<void(const QString& text, int timeoutMs)> hook) {
    statusMessageHook() = std::move(hook);
}

void showStatusMessage(const QString& text, int timeoutMs) {
    if (statusMessageHook()) statusMessageHook()(text, timeoutMs);
}

void setRaiseWindowHook(std::function<void()> hook) {
    raiseWindowHook() = std::move(hook);
}

void raiseMainWindow() {
    if (raiseWindowHook()) raiseWindowHook()();
}
