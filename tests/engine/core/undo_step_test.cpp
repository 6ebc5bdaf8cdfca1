// Undo steps of status changes: the run-length coded exclusive-or over a box.
#include "core/undo_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using classification::Box;
using classification::ByteArray;
using classification::ChangedBox;
using classification::IiUndoModifyStatus;

namespace {

uint32_t run(uint32_t length, uint32_t x) {
    return length << 8 | x;
}

// What the status-changing code does after recording: bytes change only where
// both the proposed and the current byte are non-zero.
void write(const Box& box, const ByteArray& proposed, ByteArray& status) {
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            if (proposed(r, c) && status(r, c)) status(r, c) = proposed(r, c);
}

// The runs expanded to one exclusive-or per pixel of the box.
std::vector<uint8_t> expand(const std::vector<uint32_t>& runs) {
    std::vector<uint8_t> out;
    for (uint32_t word : runs)
        out.insert(out.end(), word >> 8, static_cast<uint8_t>(word & 0xff));
    return out;
}

TEST(UndoStepTest, RecordsOnlyTheChangedPixelOfASmallBox) {
    // A 3 x 2 box placed inside a larger status image; only its second pixel
    // changes, from 2 to 4.
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 9, 9), 2);
    ByteArray proposed = status.copy();
    const Box box(5, 7, 7, 8);
    proposed(5, 8) = 4;
    proposed(0, 0) = 9; // outside the box: not recorded, not written

    IiUndoModifyStatus step(box, proposed, status);
    EXPECT_EQ(step.box(), box);
    EXPECT_EQ(step.runs(), (std::vector<uint32_t>{run(1, 0), run(1, 6), run(4, 0)}));

    write(box, proposed, status);
    const ByteArray written = status.copy();
    ChangedBox changed;
    step.undo(changed);
    EXPECT_EQ(status(5, 8), 2);
    EXPECT_EQ(blitz::count(status != 2), 0);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(*changed, box);

    step.redo(changed);
    EXPECT_EQ(blitz::count(status != written), 0);
    EXPECT_EQ(*changed, box);
}

TEST(UndoStepTest, ZeroBytesAreNeitherRecordedNorTouched) {
    struct Pair {
        uint8_t proposed, status, expected;
    };
    const std::vector<Pair> pairs = {
        {0, 2, 0}, // a proposed 0 leaves the status byte as it is
        {5, 0, 0}, // a status byte 0 (no class) is never changed
        {0, 0, 0}, {3, 3, 0}, {2, 4, 6}, {0xff, 1, 0xfe},
    };
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 0, 5));
    ByteArray proposed = classification::arrayOver<unsigned char>(Box(0, 0, 0, 5));
    for (int c = 0; c < 6; ++c) {
        proposed(0, c) = pairs[c].proposed;
        status(0, c) = pairs[c].status;
    }
    IiUndoModifyStatus step(Box(0, 0, 0, 5), proposed, status);
    const std::vector<uint8_t> xs = expand(step.runs());
    ASSERT_EQ(xs.size(), pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i)
        EXPECT_EQ(xs[i], pairs[i].expected) << i;

    // Undoing a change never written restores nothing but touches no zero byte.
    ChangedBox changed;
    step.undo(changed);
    EXPECT_EQ(status(0, 0), 2);
    EXPECT_EQ(status(0, 1), 0);
    EXPECT_EQ(status(0, 2), 0);
}

// Random changes against the per-pixel reference, on plain views and on views
// reversed in both dimensions (negative strides).
TEST(UndoStepTest, RandomChangesRoundTripExactly) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        const Box whole(-3, 10, 40, 170);
        ByteArray status = classification::arrayOver<unsigned char>(whole);
        ByteArray proposed = classification::arrayOver<unsigned char>(whole);
        // Stretches of one (status, proposed) pair, from a single pixel to a few
        // hundred, so that runs cross rows and both long and short runs occur;
        // bytes from a small set, so that a stretch with a zero byte often
        // borders one whose exclusive-or equals that stretch's other byte.
        std::uniform_int_distribution<int> byte(1, trial < 20 ? 7 : 255), pick(0, 9),
            stretch(1, 300);
        int left = 0, s = 0, p = 0;
        for (int r = whole.lower.row; r <= whole.upper.row; ++r) {
            for (int c = whole.lower.column; c <= whole.upper.column; ++c) {
                if (left-- == 0) {
                    left = pick(random) < 3 ? 0 : stretch(random);
                    const int kind = pick(random);
                    s = kind < 2 ? 0 : byte(random);
                    p = kind < 6 ? s : kind < 8 ? 0 : byte(random);
                }
                status(r, c) = static_cast<unsigned char>(s);
                proposed(r, c) = static_cast<unsigned char>(p);
            }
        }
        if (trial % 2) {
            status.reference(status.reverse(0).reverse(1));
            proposed.reference(proposed.reverse(0).reverse(1));
        }
        const Box box(trial % 5, 12 + trial % 3, 37, 166 - trial % 4);
        const ByteArray original = status.copy();

        IiUndoModifyStatus step(box, proposed, status);
        std::vector<uint8_t> reference;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c)
                reference.push_back(proposed(r, c) && status(r, c) ? proposed(r, c) ^ status(r, c)
                                                                   : 0);
        EXPECT_EQ(expand(step.runs()), reference);
        for (std::size_t i = 1; i < step.runs().size(); ++i) // runs are maximal
            EXPECT_NE(step.runs()[i] & 0xff, step.runs()[i - 1] & 0xff);

        write(box, proposed, status);
        const ByteArray written = status.copy();
        ChangedBox changed;
        step.undo(changed);
        EXPECT_EQ(blitz::count(status != original), 0);
        step.redo(changed);
        EXPECT_EQ(blitz::count(status != written), 0);
    }
}

TEST(UndoStepTest, LongStretchesSplitAtTheRunLimit) {
    // 4097 x 4096 pixels: one more row than a single run can hold.
    const Box box(0, 0, 4096, 4095);
    ByteArray status = classification::arrayOver<unsigned char>(box, 1);
    ByteArray proposed = classification::arrayOver<unsigned char>(box, 2);
    IiUndoModifyStatus step(box, proposed, status);
    EXPECT_EQ(step.runs(),
              (std::vector<uint32_t>{run(IiUndoModifyStatus::kMaxRun, 3),
                                     run(box.area() - IiUndoModifyStatus::kMaxRun, 3)}));
    write(box, proposed, status);
    ChangedBox changed;
    step.undo(changed);
    EXPECT_EQ(blitz::count(status != 1), 0);
}

TEST(UndoStepTest, EmptyBoxRecordsNothing) {
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 3, 3), 1);
    IiUndoModifyStatus step(Box::empty(), status, status);
    EXPECT_TRUE(step.runs().empty());
    ChangedBox changed;
    step.undo(changed);
    EXPECT_FALSE(changed.has_value());
}

TEST(UndoStepTest, BoxOutsideItsArraysIsRefused) {
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 3, 3), 1);
    ByteArray proposed = classification::arrayOver<unsigned char>(Box(0, 0, 2, 3), 1);
    EXPECT_THROW(IiUndoModifyStatus(Box(0, 0, 3, 3), proposed, status), std::invalid_argument);
    EXPECT_THROW(IiUndoModifyStatus(Box(1, 1, 4, 3), status, status), std::invalid_argument);
}

} // namespace
