// Writing caller-supplied status bytes into a status view as one undo step.
#include "classification/set_status.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

using namespace classification;

namespace {

struct SetStatusFixture : ::testing::Test {
    Box image{0, 0, 5, 7};
    SourceImage pixels{blitz::Range(0, 5), blitz::Range(0, 7)};
    Segmentation<6, 0> c{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(image, 1);
};

TEST_F(SetStatusFixture, WritesWhereBothBytesHaveAClass) {
    status(2, 3) = 0;                                                // no class: stays
    status(3, 4) = 2;                                                // keep under a source 0: stays
    ByteArray source = arrayOver<unsigned char>(Box(2, 3, 4, 9), 4); // reaches past the image
    source(3, 4) = 0;
    c.dirtyBox = Box(0, 0, 1, 1);
    setStatusRect(c, status, source);

    EXPECT_EQ(status(2, 3), 0);
    EXPECT_EQ(status(3, 4), 2);
    EXPECT_EQ(status(4, 7), 4);
    EXPECT_EQ(status(1, 3), 1);
    EXPECT_EQ(status(2, 2), 1);
    ASSERT_TRUE(c.changedBox.has_value());
    EXPECT_EQ(*c.changedBox, Box(2, 3, 4, 7)); // the intersection
    EXPECT_TRUE(c.dirtyBox.isEmpty());
    EXPECT_EQ(c.undoQueue.undoGroups(), 1u);

    ChangedBox changed;
    c.undoQueue.undo(changed);
    EXPECT_EQ(status(4, 7), 1);
    EXPECT_EQ(status(3, 4), 2);
    EXPECT_EQ(status(2, 3), 0);
    c.undoQueue.redo(changed);
    EXPECT_EQ(status(4, 7), 4);
}

TEST_F(SetStatusFixture, RectangleOutsideTheImageDoesNothing) {
    ByteArray source = arrayOver<unsigned char>(Box(6, 0, 7, 3), 4);
    setStatusRect(c, status, source);
    setStatusRect(c, status, ByteArray());
    EXPECT_FALSE(c.changedBox.has_value());
    EXPECT_EQ(c.undoQueue.undoGroups(), 0u);
    EXPECT_EQ(blitz::sum(status == 1), image.area());
}

} // namespace
