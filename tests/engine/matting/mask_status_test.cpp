// Status preparation of a mask-generation run: which classes the work box
// holds, the fill that completes it, and the estimation box.
#include "matting/mask_status.h"

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/undo_queue.h"

#include "support/recording_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace classification;
using orsine::matting::PreparedMaskStatus;
using orsine::matting::prepareMaskStatus;

namespace {

// A 17 x 33 unassigned status image: the extended box grows the work box by
// (17 - 1) / 16 = 1 row and (33 - 1) / 16 = 2 columns.
struct Scene {
    Box image{0, 0, 16, 32};
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(
        image, orsine::utility::Colour<unsigned char>(0, 0, 0, 255));
    Segmentation<6, 0> classification{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(image, 1);
    UndoQueue queue{100};

    void paint(const Box& box, unsigned char value) { windowOf(status, box) = value; }

    PreparedMaskStatus run(const Box& d, orsine::utility::IiUI* progress = nullptr) {
        const Box grown(d.lower - Point(1, 2), d.upper + Point(1, 2));
        return prepareMaskStatus(classification, status, image, d, Box::intersection(grown, image),
                                 0.0f, queue, ProgressRange::over(progress, 0.0f, 1.0f));
    }
    int count(const Box& box, unsigned char value) const {
        int n = 0;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c)
                n += status(r, c) == value;
        return n;
    }
};

const Box kRect(5, 10, 9, 19);
const Box kExtended(4, 8, 10, 21);

TEST(MaskStatus, PreparationOverTheCases) {
    struct Case {
        const char* name;
        Box keep, remove; // marks painted before the run (may be empty)
        Box d;
        bool hasKeep, hasDelete;
        Box estimation;
        int groups;
        Box filled; // where every unassigned pixel became the other class
    };
    const Box none = Box::empty();
    const Box image(0, 0, 16, 32);
    const Case cases[] = {
        {"whole image, keep only", Box(2, 2, 3, 3), none, image, true, true, image, 1, image},
        {"whole image, delete only", none, Box(2, 2, 3, 3), image, true, true, image, 1, image},
        {"rectangle with both", Box(6, 11, 6, 11), Box(8, 15, 8, 15), kRect, true, true, kExtended,
         0, none},
        {"rectangle with keep, delete elsewhere", Box(6, 11, 6, 11), Box(0, 0, 0, 0), kRect, true,
         true, kExtended, 1, kRect},
        {"rectangle without marks, both elsewhere", Box(0, 0, 0, 0), Box(16, 32, 16, 32), kRect,
         true, true, image, 0, none},
        {"no marks at all", none, none, image, false, false, image, 0, none},
        {"rectangle without marks, keep elsewhere", Box(0, 0, 0, 0), none, kRect, true, true, image,
         1, image},
    };
    for (const Case& c : cases) {
        Scene s;
        if (!c.keep.isEmpty()) s.paint(c.keep, 2);
        if (!c.remove.isEmpty()) s.paint(c.remove, 4);
        const PreparedMaskStatus p = s.run(c.d);
        EXPECT_EQ(p.hasKeep, c.hasKeep) << c.name;
        EXPECT_EQ(p.hasDelete, c.hasDelete) << c.name;
        EXPECT_EQ(p.estimationBox, c.estimation) << c.name;
        EXPECT_EQ(s.queue.undoGroups(), static_cast<uint32_t>(c.groups)) << c.name;
        if (!c.filled.isEmpty()) {
            EXPECT_EQ(s.count(c.filled, 1), 0) << c.name;
        }
        // Outside the filled area nothing changed.
        for (int r = 0; r <= 16; ++r)
            for (int col = 0; col <= 32; ++col) {
                const Point p(r, col);
                if (c.filled.contains(p) || c.keep.contains(p) || c.remove.contains(p)) continue;
                ASSERT_EQ(s.status(r, col), 1) << c.name << " " << r << "," << col;
            }
    }
}

TEST(MaskStatus, FillGivesTheOppositeClass) {
    Scene s;
    s.paint(Box(0, 0, 16, 3), 2); // keep marks: the fill gives delete
    s.run(s.image);
    EXPECT_EQ(s.count(Box(0, 4, 16, 32), 4), 17 * 29);
    Scene t;
    t.paint(Box(0, 0, 16, 3), 4); // delete marks: the fill gives keep
    t.run(t.image);
    EXPECT_EQ(t.count(Box(0, 4, 16, 32), 2), 17 * 29);
}

TEST(MaskStatus, OneClassAndNothingUnassignedOpensNoGroup) {
    Scene s;
    s.paint(s.image, 2);
    const PreparedMaskStatus p = s.run(kRect);
    EXPECT_TRUE(p.hasKeep);
    EXPECT_FALSE(p.hasDelete);
    EXPECT_EQ(p.estimationBox, s.image);
    EXPECT_EQ(s.queue.undoGroups(), 0u);
}

TEST(MaskStatus, FillsReportUpToAFifthOfTheRange) {
    // The rectangle's unassigned pixels are all protected, so its fill gives
    // nothing and the whole image is filled as well; the second fill has
    // nothing new to report.
    Scene s;
    s.paint(kRect, 0x21);
    s.paint(Box(6, 11, 6, 11), 2);
    RecordingProgress progress;
    const PreparedMaskStatus p = s.run(kRect, &progress);
    EXPECT_EQ(s.queue.undoGroups(), 2u);
    EXPECT_TRUE(p.hasKeep);
    EXPECT_TRUE(p.hasDelete);
    EXPECT_EQ(p.estimationBox, s.image);
    const std::vector<float> expected = {0.16f, 0.2f, 0.2f, 0.2f};
    ASSERT_EQ(progress.fractions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_FLOAT_EQ(progress.fractions[i], expected[i]) << i;
    EXPECT_EQ(s.status(0, 0), 4);
    EXPECT_EQ(s.status(7, 12), 0x21);
}

struct CancelAtFirstReport : orsine::utility::IiUI {
    void report(float, const std::string&) override { throw VkExCancel(); }
};

TEST(MaskStatus, AFillThatRaisesLeavesTheStatusAndPassesOn) {
    // Cancelled before the fill writes: the status is as it was; the group it
    // opened is left for the run to roll back with everything else it opened.
    Scene s;
    s.paint(Box(2, 2, 3, 3), 2);
    const ByteArray before = s.status.copy();
    CancelAtFirstReport cancel;
    EXPECT_THROW(s.run(s.image, &cancel), VkExCancel);
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 32; ++c)
            ASSERT_EQ(s.status(r, c), before(r, c));
}

} // namespace
