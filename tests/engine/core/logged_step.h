// An undo step that logs its calls and counts the steps alive, for checking
// the order and lifetime of steps in the queue.
#ifndef TESTS_ENGINE_CORE_LOGGED_STEP_H
#define TESTS_ENGINE_CORE_LOGGED_STEP_H

#include "core/undo_queue.h"

#include <string>
#include <vector>

namespace undo_test {

struct Log {
    std::vector<std::string> calls;
    int alive = 0;
};

class LoggedStep : public classification::IiUndoStep {
public:
    LoggedStep(Log& log, std::string name) : log_(log), name_(std::move(name)) { ++log_.alive; }
    ~LoggedStep() override { --log_.alive; }
    void undo(classification::ChangedBox&) override { log_.calls.push_back("undo " + name_); }
    void redo(classification::ChangedBox&) override { log_.calls.push_back("redo " + name_); }

private:
    Log& log_;
    std::string name_;
};

} // namespace undo_test

#endif
