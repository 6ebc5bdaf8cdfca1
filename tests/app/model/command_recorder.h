// A fake engine thread for tests of what the document submits: the
// process-wide VardekThread, with every submission kept here, unrun, in order.
#ifndef TESTS_APP_MODEL_COMMAND_RECORDER_H
#define TESTS_APP_MODEL_COMMAND_RECORDER_H

#include "engine_bridge/vardek_command.h"
#include "engine_bridge/vardek_thread.h"

#include <QList>
#include <QStringList>

#include <memory>
#include <vector>

class CommandRecorder {
public:
    CommandRecorder();
    // Deletes the kept commands (with whatever they own), then the thread.
    ~CommandRecorder();

    VardekThread& thread() { return thread_; }
    const std::vector<std::unique_ptr<VardekCommand>>& commands() const { return commands_; }
    // The kept commands of type T, in order.
    template <class T> QList<T*> commandsOf() const {
        QList<T*> found;
        for (const auto& command : commands_)
            if (auto* typed = dynamic_cast<T*>(command.get())) found << typed;
        return found;
    }
    QStringList descriptions() const;
    void clear() { commands_.clear(); }

private:
    VardekThread thread_;
    std::vector<std::unique_ptr<VardekCommand>> commands_;
};

#endif
