// Which side of a forced edge is keep, the reach, and the pixel blend.
#include "forced_edge_fixtures.h"

#include <gtest/gtest.h>

#include <array>

namespace forced_edge_test {
namespace {

using orsine::matting::edgeReach;
using orsine::matting::findEdgeSide;

// A 12 x 10 status image; the edges are in output pixels at 4 per status pixel
// unless a case says otherwise. +1: keep lies towards the left normal
// (-column, row) of the longest segment, that is above a left-to-right edge.
TEST(ForcedEdgeSide, ProbesDecideFromKeepAndDelete) {
    const auto rows = [](int split, unsigned char above, unsigned char below) {
        return statusOf(12, 10, [=](int r, int) { return r < split ? above : below; });
    };
    const auto columns = [](int split, unsigned char left, unsigned char right) {
        return statusOf(12, 10, [=](int, int c) { return c < split ? left : right; });
    };
    struct Case {
        const char* name;
        ByteArray status;
        MaskForcedEdge edge;
        EdgeScale scale;
        int side;
    };
    const EdgeScale four(4, 4);
    const std::vector<Case> cases = {
        {"keep above, left to right", rows(6, kKeep, kDelete), edgeOf(2, {{24.5f, 2}, {24.5f, 30}}),
         four, 1},
        {"keep above, right to left", rows(6, kKeep, kDelete), edgeOf(2, {{24.5f, 30}, {24.5f, 2}}),
         four, -1},
        {"keep below, left to right", rows(6, kDelete, kKeep), edgeOf(2, {{24.5f, 2}, {24.5f, 30}}),
         four, -1},
        {"keep left, top to bottom", columns(5, kKeep, kDelete),
         edgeOf(2, {{2, 20.5f}, {40, 20.5f}}), four, -1},
        {"keep above, unassigned below", rows(6, kKeep, kUnassigned),
         edgeOf(2, {{24.5f, 2}, {24.5f, 30}}), four, 1},
        {"delete above, unassigned below", rows(6, kDelete, kUnassigned),
         edgeOf(2, {{24.5f, 2}, {24.5f, 30}}), four, -1},
        {"unassigned above, delete below", rows(6, kUnassigned, kDelete),
         edgeOf(2, {{24.5f, 2}, {24.5f, 30}}), four, 1},
        // The probes step outward across the blend band until they meet keep.
        {"blend band in between",
         statusOf(12, 10,
                  [](int r, int) -> unsigned char { return r < 3    ? kKeep
                                                           : r < 10 ? 8
                                                                    : kDelete; }),
         edgeOf(2, {{24.5f, 2}, {24.5f, 30}}), four, 1},
        // The upper probe leaves the image at once: the lower one decides.
        {"top border, all keep", rows(6, kKeep, kKeep), edgeOf(2, {{1.2f, 2}, {1.2f, 30}}), four,
         -1},
        {"top border, all delete", rows(6, kDelete, kDelete), edgeOf(2, {{1.2f, 2}, {1.2f, 30}}),
         four, 1},
        {"bottom border, all keep", rows(6, kKeep, kKeep), edgeOf(2, {{46.8f, 2}, {46.8f, 30}}),
         four, 1},
        {"outside the image", rows(6, kKeep, kDelete), edgeOf(2, {{-20, 2}, {-20, 30}}), four, 0},
        {"all unassigned", rows(6, kUnassigned, kUnassigned), edgeOf(2, {{24.5f, 2}, {24.5f, 30}}),
         four, 0},
        // Only the longest segment is probed: the last one here, left to right;
        // the first one alone would give -1.
        {"longest segment decides", rows(6, kKeep, kDelete),
         edgeOf(2, {{36.5f, 30}, {36.5f, 10}, {24.5f, 10}, {24.5f, 40}}), four, 1},
        // Two segments of length 20: the first, right to left, decides; the
        // last, left to right, would give +1.
        {"first of equal lengths decides", rows(6, kKeep, kDelete),
         edgeOf(2, {{24.5f, 36}, {24.5f, 16}, {28.5f, 16}, {28.5f, 36}}), four, -1},
        // Rows and columns scale apart: status (6.125, 5.5) lies at output (12.25, 16.5).
        {"scale 2 by 3", rows(6, kKeep, kDelete), edgeOf(2, {{12.25f, 3}, {12.25f, 27}}),
         EdgeScale(2, 3), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findEdgeSide(c.edge, c.status, c.scale), c.side);
    }
}

// The status view may be a window with its own indices, such as a
// sub-session's rectangle; probes outside it count as outside the image.
TEST(ForcedEdgeSide, StatusWindowKeepsItsIndices) {
    ByteArray whole = statusOf(20, 20, [](int r, int) { return r < 10 ? kKeep : kDelete; });
    ByteArray window = whole(blitz::Range(8, 13), blitz::Range(4, 15));
    window.reindexSelf(blitz::TinyVector<int, 2>(8, 4));
    // Status row 10.125 is output row 40.5 at scale 4.
    EXPECT_EQ(findEdgeSide(edgeOf(2, {{40.5f, 20}, {40.5f, 60}}), window, EdgeScale(4, 4)), 1);
    // Rows 2 and 5 lie outside the window, though inside the whole image.
    EXPECT_EQ(findEdgeSide(edgeOf(2, {{14.5f, 20}, {14.5f, 60}}), window, EdgeScale(4, 4)), 0);
}

TEST(ForcedEdgeReach, IsTwoOutputPixelsPerStatusPixelWithinOneToFourWidths) {
    EXPECT_FLOAT_EQ(edgeReach(4, 4), 8); // 2 x scale
    EXPECT_FLOAT_EQ(edgeReach(4, 1), 4); // at least w
    EXPECT_FLOAT_EQ(edgeReach(1, 8), 4); // at most 4 w
    EXPECT_FLOAT_EQ(edgeReach(10, 2), 10);
    EXPECT_FLOAT_EQ(edgeReach(0, 4), 0);
}

template <typename Sample> std::array<int, 4> channels(const Colour<Sample>& c) {
    return {c[0], c[1], c[2], c[3]};
}

TEST(ForcedEdgeBlend, PixelsBlendByWeightsAndTruncate) {
    using orsine::matting::blendPixels16;
    using orsine::matting::blendPixels8;
    using C8 = Colour<unsigned char>;
    using C16 = Colour<unsigned short>;
    using A = std::array<int, 4>;
    EXPECT_EQ(channels(blendPixels8(0.25f, C8(200, 100, 0, 255), 0.75f, C8(10, 21, 255, 0))),
              A({57, 40, 191, 63}));
    EXPECT_EQ(channels(blendPixels8(1.0f, C8(1, 2, 3, 4), 0.0f, C8(9, 9, 9, 9))), A({1, 2, 3, 4}));
    EXPECT_EQ(channels(blendPixels8(0.5f, C8(255, 255, 255, 255), 0.5f, C8(255, 255, 255, 255))),
              A({255, 255, 255, 255}));
    EXPECT_EQ(channels(blendPixels16(0.5f, C16(65535, 1000, 0, 32768), 0.5f, C16(65535, 3, 1, 0))),
              A({65535, 501, 0, 16384}));
    EXPECT_EQ(channels(blendPixels16(0.3f, C16(10000, 0, 0, 0), 0.7f, C16(0, 0, 0, 0))),
              A({3000, 0, 0, 0}));
}

} // namespace
} // namespace forced_edge_test
