// The undo queue: groups, the group limit, undo and redo order, the redo list
// and roll back; and rolling back to a mark: exactly the work recorded since
// the mark is undone, whether it opened its own group or joined the open one.
#include "core/fault_injection.h"
#include "core/undo_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

using classification::Box;
using classification::ByteArray;
using classification::ChangedBox;
using classification::IiUndoModifyStatus;
using classification::IiUndoStep;
using classification::UndoQueue;

// An undo step that logs its calls and counts the steps alive, for checking
// the order and lifetime of steps in the queue.
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

namespace {

using undo_test::Log;
using undo_test::LoggedStep;

std::unique_ptr<IiUndoStep> logged(Log& log, const std::string& name) {
    return std::make_unique<LoggedStep>(log, name);
}

// Sets every status byte of `box` to `value` as one recorded step.
void change(UndoQueue& queue, ByteArray& status, const Box& box, unsigned char value) {
    ByteArray proposed = status.copy();
    proposed(box.domain()) = value;
    queue.add(std::make_unique<IiUndoModifyStatus>(box, proposed, status));
    status(box.domain()) = value;
}

TEST(UndoQueueTest, OpeningMoreGroupsThanTheLimitDropsTheOldest) {
    // 201 groups, each raising the one status byte by one: 200 are kept, and
    // undoing them all leaves the state after the first group.
    UndoQueue queue(200);
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 0, 0), 1);
    for (int group = 1; group <= 201; ++group) {
        queue.openGroup();
        change(queue, status, Box(0, 0, 0, 0), static_cast<unsigned char>(group + 1));
    }
    EXPECT_EQ(queue.undoGroups(), 200u);
    EXPECT_EQ(status(0, 0), 202);
    ChangedBox changed;
    for (int i = 0; i < 200; ++i)
        queue.undo(changed);
    EXPECT_EQ(status(0, 0), 2);
    EXPECT_EQ(queue.undoGroups(), 0u);
    EXPECT_EQ(queue.redoGroups(), 200u);
    queue.undo(changed); // nothing left to undo
    EXPECT_EQ(status(0, 0), 2);
    EXPECT_EQ(queue.redoGroups(), 200u);
    for (int i = 0; i < 200; ++i)
        queue.redo(changed);
    EXPECT_EQ(status(0, 0), 202);
}

TEST(UndoQueueTest, DroppedGroupsFreeTheirSteps) {
    struct Case {
        uint32_t limit;
        int groups;
        int kept;
    };
    for (const Case& c : std::vector<Case>{{200, 300, 200}, {100, 150, 100}, {0, 3, 1}}) {
        SCOPED_TRACE(c.limit);
        Log log;
        UndoQueue queue(c.limit);
        for (int group = 1; group <= c.groups; ++group) {
            queue.openGroup();
            queue.add(logged(log, std::to_string(group) + "a"));
            queue.add(logged(log, std::to_string(group) + "b"));
        }
        EXPECT_EQ(queue.undoGroups(), static_cast<uint32_t>(c.kept));
        EXPECT_EQ(log.alive, 2 * c.kept);
        // The oldest kept group is undone last, its two steps in reverse.
        ChangedBox changed;
        while (queue.undoGroups())
            queue.undo(changed);
        ASSERT_EQ(log.calls.size(), static_cast<std::size_t>(2 * c.kept));
        const std::string oldest = std::to_string(c.groups - c.kept + 1);
        EXPECT_EQ(log.calls[log.calls.size() - 2], "undo " + oldest + "b");
        EXPECT_EQ(log.calls.back(), "undo " + oldest + "a");
    }
}

TEST(UndoQueueTest, UndoAndRedoMoveWholeGroupsInOrder) {
    struct Step {
        enum { Undo, Redo } action;
        std::vector<std::string> calls;
        uint32_t undoGroups, redoGroups;
    };
    Log log;
    UndoQueue queue(200);
    queue.openGroup();
    queue.add(logged(log, "A"));
    queue.openGroup();
    queue.add(logged(log, "B"));
    queue.add(logged(log, "C"));
    queue.add(logged(log, "D"));
    EXPECT_EQ(queue.undoGroups(), 2u);

    const std::vector<Step> steps = {
        {Step::Undo, {"undo D", "undo C", "undo B"}, 1, 1},
        {Step::Undo, {"undo A"}, 0, 2},
        {Step::Undo, {}, 0, 2},
        {Step::Redo, {"redo A"}, 1, 1},
        {Step::Redo, {"redo B", "redo C", "redo D"}, 2, 0},
        {Step::Redo, {}, 2, 0},
        {Step::Undo, {"undo D", "undo C", "undo B"}, 1, 1},
    };
    ChangedBox changed;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        log.calls.clear();
        if (steps[i].action == Step::Undo)
            queue.undo(changed);
        else
            queue.redo(changed);
        EXPECT_EQ(log.calls, steps[i].calls);
        EXPECT_EQ(queue.undoGroups(), steps[i].undoGroups);
        EXPECT_EQ(queue.redoGroups(), steps[i].redoGroups);
    }
    EXPECT_EQ(log.alive, 4);
}

TEST(UndoQueueTest, ANewGroupOrANewStepDiscardsWhatCouldBeRedone) {
    Log log;
    UndoQueue queue(200);
    ChangedBox changed;
    queue.openGroup();
    queue.add(logged(log, "A"));
    queue.openGroup();
    queue.add(logged(log, "B"));
    queue.undo(changed);
    EXPECT_EQ(queue.redoGroups(), 1u);

    queue.openGroup();
    EXPECT_EQ(queue.redoGroups(), 0u);
    EXPECT_EQ(queue.undoGroups(), 2u);
    EXPECT_EQ(log.alive, 1); // B is gone

    // A step added on top of an undone group starts a group of its own.
    queue.add(logged(log, "C"));
    queue.undo(changed);
    queue.add(logged(log, "D"));
    EXPECT_EQ(queue.undoGroups(), 2u);
    EXPECT_EQ(queue.redoGroups(), 0u);
    log.calls.clear();
    queue.undo(changed);
    EXPECT_EQ(log.calls, std::vector<std::string>{"undo D"});
}

TEST(UndoQueueTest, AStepWithoutAGroupOpensOne) {
    Log log;
    UndoQueue queue(200);
    queue.add(nullptr); // ignored
    EXPECT_EQ(queue.undoGroups(), 0u);
    queue.add(logged(log, "A"));
    queue.add(logged(log, "B"));
    EXPECT_EQ(queue.undoGroups(), 1u);
    ChangedBox changed;
    queue.undo(changed);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"undo B", "undo A"}));
}

TEST(UndoQueueTest, AnEmptyGroupUndoesAndRedoesToNothing) {
    UndoQueue queue(200);
    queue.openGroup();
    ChangedBox changed;
    queue.undo(changed);
    EXPECT_EQ(queue.undoGroups(), 0u);
    EXPECT_EQ(queue.redoGroups(), 1u);
    queue.redo(changed);
    EXPECT_EQ(queue.undoGroups(), 1u);
    EXPECT_EQ(queue.redoGroups(), 0u);
    EXPECT_FALSE(changed.has_value());
}

TEST(UndoQueueTest, UndoReportsTheUnionOfItsStepsBoxes) {
    UndoQueue queue(200);
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 9, 9), 1);
    queue.openGroup();
    change(queue, status, Box(1, 2, 2, 3), 2);
    change(queue, status, Box(6, 5, 8, 5), 4);
    ChangedBox changed;
    changed = Box(0, 9, 0, 9); // not yet published
    queue.undo(changed);
    EXPECT_EQ(*changed, Box(0, 2, 8, 9));
    EXPECT_EQ(blitz::count(status != 1), 0);
}

TEST(UndoQueueTest, RollBackUndoesTheLastGroupForGood) {
    UndoQueue queue(200);
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 3, 3), 1);
    queue.openGroup();
    change(queue, status, Box(0, 0, 3, 3), 2);
    queue.openGroup();
    change(queue, status, Box(1, 1, 2, 2), 4);

    ChangedBox changed;
    queue.rollBack(changed);
    EXPECT_EQ(blitz::count(status != 2), 0);
    EXPECT_EQ(queue.undoGroups(), 1u);
    EXPECT_EQ(queue.redoGroups(), 0u);
    EXPECT_EQ(*changed, Box(1, 1, 2, 2));
    queue.redo(changed);
    EXPECT_EQ(blitz::count(status != 2), 0);
}

TEST(UndoQueueTest, DestructionDeletesEveryStep) {
    Log log;
    {
        UndoQueue queue(200);
        ChangedBox changed;
        for (const char* name : {"A", "B", "C"}) {
            queue.openGroup();
            queue.add(logged(log, name));
        }
        queue.undo(changed); // one step in the redo list
        EXPECT_EQ(log.alive, 3);
    }
    EXPECT_EQ(log.alive, 0);
}

TEST(UndoQueueTest, OutOfMemoryBeforeAGroupMovesLeavesTheQueueWhole) {
    using vardek::fault::Kind;
    Log log;
    UndoQueue queue(200);
    queue.openGroup();
    queue.add(logged(log, "A"));
    queue.add(logged(log, "B"));
    ChangedBox changed;

    vardek::fault::arm("undo.undo", Kind::OutOfMemory);
    EXPECT_THROW(queue.undo(changed), std::bad_alloc);
    EXPECT_EQ(queue.undoGroups(), 1u);
    EXPECT_EQ(queue.redoGroups(), 0u);
    EXPECT_TRUE(log.calls.empty());

    queue.undo(changed);
    vardek::fault::arm("undo.redo", Kind::OutOfMemory);
    EXPECT_THROW(queue.redo(changed), std::bad_alloc);
    EXPECT_EQ(queue.redoGroups(), 1u);

    vardek::fault::arm("undo.openGroup", Kind::OutOfMemory);
    EXPECT_THROW(queue.openGroup(), std::bad_alloc);
    EXPECT_EQ(queue.redoGroups(), 1u); // nothing discarded
    queue.redo(changed);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"undo B", "undo A", "redo A", "redo B"}));
    EXPECT_EQ(log.alive, 2);
}

} // namespace

namespace {

using undo_test::Log;
using undo_test::LoggedStep;

TEST(UndoMark, RollsBackOnlyWhatWasAddedSinceTheMark) {
    struct Case {
        const char* name;
        bool openGroupAfterMark; // the operation's command opened its own group
        uint32_t groupsAfter;
    };
    const Case cases[] = {
        {"joined the open group", false, 1},
        {"opened its own group", true, 1},
    };
    for (const Case& k : cases) {
        Log log;
        UndoQueue queue(200);
        ChangedBox changed;
        queue.openGroup();
        queue.add(std::make_unique<LoggedStep>(log, "earlier"));

        const UndoQueue::Mark mark = queue.mark();
        if (k.openGroupAfterMark) queue.openGroup();
        queue.add(std::make_unique<LoggedStep>(log, "a"));
        queue.add(std::make_unique<LoggedStep>(log, "b"));
        queue.rollBackTo(mark, changed);

        EXPECT_EQ(log.calls, (std::vector<std::string>{"undo b", "undo a"})) << k.name;
        EXPECT_EQ(log.alive, 1) << k.name;
        EXPECT_EQ(queue.undoGroups(), k.groupsAfter) << k.name;
        EXPECT_EQ(queue.redoGroups(), 0u) << k.name;
        // The earlier command is still there to undo.
        log.calls.clear();
        queue.undo(changed);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"undo earlier"})) << k.name;
    }
}

TEST(UndoMark, TheCommandsOwnGroupGoesWithItsFirstOperation) {
    // The application opens the command's group before the operation starts.
    // The first operation of the command owns it; a plain mark (mask
    // generation's), a group the engine opened, or a second operation in the
    // same command does not.
    struct Case {
        const char* name;
        bool commandGroup;     // opened for the application's command
        bool earlierOperation; // another operation began in the group first
        bool operationMark;    // the mark of a status operation
        uint32_t groupsAfter;
    };
    const Case cases[] = {
        {"first operation of the command", true, false, true, 1},
        {"second operation of the command", true, true, true, 2},
        {"group opened by the engine", false, false, true, 2},
        {"plain mark", true, false, false, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Log log;
        UndoQueue queue(200);
        ChangedBox changed;
        queue.openCommandGroup();
        queue.add(std::make_unique<LoggedStep>(log, "earlier"));
        if (k.commandGroup)
            queue.openCommandGroup();
        else
            queue.openGroup();
        if (k.earlierOperation) queue.beginOperation();
        const UndoQueue::Mark mark = k.operationMark ? queue.beginOperation() : queue.mark();
        queue.add(std::make_unique<LoggedStep>(log, "a"));
        queue.rollBackTo(mark, changed);
        EXPECT_EQ(queue.undoGroups(), k.groupsAfter);
        EXPECT_EQ(queue.redoGroups(), 0u);
        EXPECT_EQ(log.alive, 1);
        log.calls.clear();
        while (queue.undoGroups() > 0)
            queue.undo(changed);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"undo earlier"}));
    }
}

TEST(UndoMark, NothingAddedChangesNothingButRedo) {
    Log log;
    UndoQueue queue(200);
    ChangedBox changed;
    queue.openGroup();
    queue.add(std::make_unique<LoggedStep>(log, "x"));
    queue.openGroup();
    queue.add(std::make_unique<LoggedStep>(log, "y"));
    queue.undo(changed);
    log.calls.clear();
    queue.rollBackTo(queue.mark(), changed);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(queue.undoGroups(), 1u);
    EXPECT_EQ(queue.redoGroups(), 0u);
    EXPECT_EQ(log.alive, 1);
}

TEST(UndoMark, KeepsItsPlaceWhenTheOldestGroupIsDropped) {
    // At the limit, the operation's new group drops the oldest group from the
    // front; the mark still finds the operation's work at the back.
    Log log;
    UndoQueue queue(3);
    ChangedBox changed;
    for (const char* name : {"g1", "g2", "g3"}) {
        queue.openGroup();
        queue.add(std::make_unique<LoggedStep>(log, name));
    }
    const UndoQueue::Mark mark = queue.mark();
    queue.openGroup(); // drops g1
    queue.add(std::make_unique<LoggedStep>(log, "new"));
    EXPECT_EQ(log.alive, 3);
    queue.rollBackTo(mark, changed);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"undo new"}));
    EXPECT_EQ(queue.undoGroups(), 2u);
    log.calls.clear();
    queue.undo(changed);
    queue.undo(changed);
    queue.undo(changed); // nothing left
    EXPECT_EQ(log.calls, (std::vector<std::string>{"undo g3", "undo g2"}));
}

} // namespace
