#include "command_recorder.h"

CommandRecorder::CommandRecorder() {
    thread_.setSubmissionInterceptor(
        [this](VardekCommand* command) { commands_.emplace_back(command); });
}

CommandRecorder::~CommandRecorder() {
    commands_.clear();
    thread_.setSubmissionInterceptor(nullptr);
}

QStringList CommandRecorder::descriptions() const {
    QStringList list;
    for (const auto& command : commands_)
        list << command->description();
    return list;
}
