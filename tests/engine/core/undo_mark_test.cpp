// Rolling the undo queue back to a mark: exactly the work recorded since the
// mark is undone, whether it opened its own group or joined the open one.
#include "core/undo_queue.h"

#include "logged_step.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using classification::ChangedBox;
using classification::IiUndoStep;
using classification::UndoQueue;

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

TEST(UndoMark, AnOpenedEmptyGroupStaysWhenTheMarkFollowsIt) {
    // The application opens the command's group before the operation starts:
    // the roll-back leaves that group, empty, in place.
    Log log;
    UndoQueue queue(200);
    ChangedBox changed;
    queue.openGroup();
    queue.add(std::make_unique<LoggedStep>(log, "earlier"));
    queue.openGroup();
    const UndoQueue::Mark mark = queue.mark();
    queue.add(std::make_unique<LoggedStep>(log, "a"));
    queue.rollBackTo(mark, changed);
    EXPECT_EQ(queue.undoGroups(), 2u);
    EXPECT_EQ(log.alive, 1);
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
