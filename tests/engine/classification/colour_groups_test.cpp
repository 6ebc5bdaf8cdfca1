// Region majorities of the colour groups, against a plain reference.
#include "classification/colour_groups.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

using namespace classification;

namespace {

// Per region, the group with the highest count; among equal counts, the one
// whose count reached that value at the earliest pixel.
std::vector<int32_t> referenceMajorities(int32_t regionCount, const LabelArray& regions,
                                         const LabelArray& groups) {
    std::vector<std::map<int32_t, int>> counts(regionCount);
    std::vector<std::map<int32_t, long>> reachedAt(regionCount);
    const Box box = boxOf(regions);
    long pixel = 0;
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c, ++pixel) {
            const int32_t region = regions(r, c);
            if (region < 0 || region >= regionCount) continue;
            ++counts[region][groups(r, c)];
            reachedAt[region][groups(r, c)] = pixel;
        }
    std::vector<int32_t> result(regionCount, 0);
    for (int32_t region = 0; region < regionCount; ++region) {
        int best = 0;
        long when = 0;
        for (const auto& [group, n] : counts[region]) {
            // The pixel at which this group reached its final count.
            const long at = reachedAt[region][group];
            if (n > best || (n == best && at < when)) {
                best = n;
                when = at;
                result[region] = group;
            }
        }
    }
    return result;
}

TEST(RegionMajorityGroups, MatchesTheReferenceOnRandomImages) {
    std::mt19937 rng(17);
    for (int trial = 0; trial < 30; ++trial) {
        // Rows from -3: the rows cross a band boundary at row 0.
        const Box box(-3, 250, -3 + 20 + trial, 250 + 15 + 2 * trial);
        const int32_t regionCount = 1 + trial % 9;
        std::uniform_int_distribution<int32_t> region(-1,
                                                      regionCount); // includes -1 and one too many
        std::uniform_int_distribution<int32_t> group(-1, 2 + trial % 4);
        LabelArray regions = arrayOver<int32_t>(box), groups = arrayOver<int32_t>(box);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c) {
                regions(r, c) = region(rng);
                groups(r, c) = group(rng);
            }
        const std::vector<int32_t> expected = referenceMajorities(regionCount, regions, groups);
        for (unsigned workers : {1u, 8u}) {
            std::vector<int32_t> result{42};
            ProgressRange none(nullptr);
            regionMajorityGroups(result, regionCount, regions, groups, none, workers);
            EXPECT_EQ(result, expected) << "trial " << trial << ", " << workers << " workers";
        }
    }
}

// Regions whose best count is shared by two or more groups, laid over many
// bands of rows: every region's pixels take groups A and B equally often
// (and a few others no more often), shuffled, so that where A and B reach
// their count falls anywhere, in one band or in different ones.
TEST(RegionMajorityGroups, TiesAcrossBandsGoToTheGroupThatGotThereFirst) {
    // Rows -37 to 300: neither end on a band boundary, 338 rows.
    const Box box(-37, 5, 300, 45);
    using Layout = int32_t (*)(int row, int column);
    const struct {
        const char* name;
        Layout region;
        int32_t regionCount;
    } layouts[] = {
        // Stripes three columns wide over every row.
        {"stripes", [](int, int c) { return (c - 5) / 3; }, 14},
        // Blocks of 5 x 5 pixels; every 64th row cuts some of them.
        {"blocks", [](int r, int c) { return ((r + 37) / 5) * 9 + (c - 5) / 5; }, 68 * 9},
        // Rings around a centre: long thin regions over many bands.
        {"rings",
         [](int r, int c) {
             const int dr = r - 130, dc = c - 25;
             return int32_t(std::sqrt(float(dr * dr + dc * dc)) / 4.0f);
         },
         50},
    };
    std::mt19937 rng(29);
    for (const auto& layout : layouts) {
        LabelArray regions = arrayOver<int32_t>(box), groups = arrayOver<int32_t>(box);
        std::vector<std::vector<Point>> pixels(std::size_t(layout.regionCount));
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c) {
                regions(r, c) = layout.region(r, c);
                pixels[std::size_t(regions(r, c))].push_back(Point(r, c));
            }
        int tiedRegions = 0;
        for (int32_t region = 0; region < layout.regionCount; ++region) {
            const std::vector<Point>& own = pixels[std::size_t(region)];
            const int n = static_cast<int>(own.size());
            // m pixels each of A and B, the rest one group each (at most m).
            const int m = (n + 2) / 3;
            std::vector<int32_t> taken;
            for (int i = 0; i < n; ++i)
                taken.push_back(i < m ? 7 : i < 2 * m ? -1 : 100 + i);
            std::shuffle(taken.begin(), taken.end(), rng);
            for (int i = 0; i < n; ++i)
                groups(own[std::size_t(i)].row, own[std::size_t(i)].column) = taken[std::size_t(i)];
            tiedRegions += n >= 2;
        }
        ASSERT_GT(tiedRegions, layout.regionCount / 2) << layout.name;

        const std::vector<int32_t> expected =
            referenceMajorities(layout.regionCount, regions, groups);
        for (unsigned workers : {1u, 3u, 8u}) {
            std::vector<int32_t> result;
            ProgressRange none(nullptr);
            regionMajorityGroups(result, layout.regionCount, regions, groups, none, workers);
            EXPECT_EQ(result, expected) << layout.name << ", " << workers << " workers";
        }
    }
}

TEST(RegionMajorityGroups, TiesGoToTheGroupThatGotThereFirst) {
    // Region 0: groups 7 and 3 twice each, 3 reaches two first. Region 1 has
    // no pixel and keeps 0. Region 2: group -1 (an unclustered colour) wins.
    const Box box(0, 0, 1, 3);
    LabelArray regions = arrayOver<int32_t>(box), groups = arrayOver<int32_t>(box);
    regions = 0, 0, 0, 0, 2, 2, 2, -1;
    groups = 7, 3, 3, 7, -1, 5, -1, 9;
    std::vector<int32_t> result;
    ProgressRange none(nullptr);
    regionMajorityGroups(result, 3, regions, groups, none, 1);
    EXPECT_EQ(result, (std::vector<int32_t>{3, 0, -1}));
}

TEST(RegionMajorityGroups, ReportsEvery256Rows) {
    struct Recording : orsine::utility::IiUI {
        std::vector<float> fractions;
        void report(float f, const std::string&) override { fractions.push_back(f); }
    } ui;
    const Box box(200, 0, 799, 1);
    const LabelArray labels = arrayOver<int32_t>(box, 0);
    std::vector<int32_t> result;
    for (unsigned workers : {1u, 8u}) {
        ProgressRange whole(&ui);
        ProgressRange part = whole.subRange(0.5f);
        ui.fractions.clear();
        regionMajorityGroups(result, 1, labels, labels, part, workers);
        // Rows 256, 512 and 768 of rows 200 to 799, within [0, 0.5], in order.
        ASSERT_EQ(ui.fractions.size(), 3u) << workers << " workers";
        EXPECT_FLOAT_EQ(ui.fractions[0], 0.5f * 56.0f / 600.0f);
        EXPECT_FLOAT_EQ(ui.fractions[1], 0.5f * 312.0f / 600.0f);
        EXPECT_FLOAT_EQ(ui.fractions[2], 0.5f * 568.0f / 600.0f);
    }
}

} // namespace
