// Points, boxes and array views.
#include "core/arrays.h"
#include "core/box.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using classification::Box;
using classification::Point;

namespace {

TEST(BoxTest, EmptinessIntersectionAndUnion) {
    EXPECT_TRUE(Box::empty().isEmpty());
    EXPECT_TRUE(Box(0, 5, 3, 4).isEmpty());
    Box a(0, 0, 9, 9);
    EXPECT_FALSE(a.intersect(Box(10, 0, 12, 3)));
    EXPECT_TRUE(a.isEmpty());

    Box b(2, 3, 6, 8);
    EXPECT_TRUE(b.intersect(Box(4, 0, 9, 5)));
    EXPECT_EQ(b, Box(4, 3, 6, 5));

    Box grown;
    grown.include({5, 7}); // an empty box becomes the point
    EXPECT_EQ(grown, Box(5, 7, 5, 7));
    grown.include({2, 9});
    EXPECT_EQ(grown, Box(2, 7, 5, 9));
    grown.unite(Box::empty());
    EXPECT_EQ(grown, Box(2, 7, 5, 9));
    grown.unite(Box(0, 0, 1, 1));
    EXPECT_EQ(grown, Box(0, 0, 5, 9));
    grown.swapAxes();
    EXPECT_EQ(grown, Box(0, 0, 9, 5));
}

TEST(BoxTest, RectanglesDoNotOverflow) {
    const Box b = Box::fromRect(INT32_MAX - 1, 0, INT32_MAX, 2);
    EXPECT_EQ(b.upper.column, INT32_MAX);
    EXPECT_FALSE(b.isEmpty());
    EXPECT_TRUE(Box::fromRect(3, 3, 0, 5).isEmpty());
}

TEST(BoxTest, PrintsLikeTheDiagnosticLines) {
    std::ostringstream out;
    out << Box(0, 0, 99, 149);
    EXPECT_EQ(out.str(), "[[0,0], [99,149]]");
}

TEST(BoxTest, FastFloor) {
    for (float x : {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.75f, -2.75f, 1e7f, -3e7f, 123456.5f})
        EXPECT_EQ(classification::fastFloor(x), std::floor(x)) << x;
    EXPECT_EQ(Point(-7, 7).dividedBy(2), Point(-3, 3));
    EXPECT_EQ(classification::squaredDistance({1, 2}, {4, 6}), 25);
}

TEST(ArraysTest, ViewsShareTheCallersMemoryAtShiftedCoordinates) {
    std::vector<unsigned char> bytes(4 * 6, 0);
    auto view = classification::viewOver(bytes.data(), 3, 4, 6, Point(10, 20));
    EXPECT_EQ(classification::boxOf(view), Box(10, 20, 12, 23));
    view(11, 21) = 7;
    EXPECT_EQ(bytes[1 * 6 + 1], 7);
    auto owned = classification::arrayOver<int>(Box(-1, -1, 1, 1), 3);
    EXPECT_EQ(owned(-1, -1) + owned(1, 1), 6);
}

TEST(ArraysTest, FillOutsideBoxFillsExactlyTheElementsOutsideTheBox) {
    // An array over rows 1 to 6 and columns -2 to 4, filled outside boxes that
    // lie inside it, cross one or two of its sides, miss it or cover it.
    const Box all(1, -2, 6, 4);
    for (const Box& box : {Box(2, -1, 4, 2), Box(0, 0, 3, 9), Box(1, -2, 6, 4), Box(-5, -9, 9, 9),
                           Box(7, 0, 9, 2), Box(3, 5, 4, 8), Box::empty()}) {
        blitz::Array<int, 2> a = classification::arrayOver<int>(all, 0);
        classification::fillOutsideBox(a, box, 7);
        for (int r = all.lower.row; r <= all.upper.row; ++r)
            for (int c = all.lower.column; c <= all.upper.column; ++c)
                EXPECT_EQ(a(r, c), box.contains(Point{r, c}) ? 0 : 7)
                    << box << " at " << r << ", " << c;
    }
}

} // namespace

namespace {

// An element that counts its constructions and destructions, and whose arrays
// are made through LargeArrayElement's new[].
struct Counted : classification::LargeArrayElement<Counted> {
    static int alive;
    int value = 7;
    char padding[60] = {};
    Counted() { ++alive; }
    Counted(const Counted& other) : value(other.value) { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

} // namespace

TEST(ArraysTest, LargeArraysOfAdvisedElementsAreConstructedOnceAndReleasedOnce) {
    // Small and large (past the size that is advised for huge pages) arrays
    // take different ways; either must construct every element and release
    // every one with the array.
    for (int rows : {3, 2000}) {
        const Box box(-5, 10, rows - 6, 109);
        {
            blitz::Array<Counted, 2> a = classification::arrayOver<Counted>(box);
            EXPECT_EQ(Counted::alive, rows * 100) << rows;
            EXPECT_EQ(classification::boxOf(a), box);
            EXPECT_EQ(a(box.lower.row, box.lower.column).value, 7);
            EXPECT_EQ(a(box.upper.row, box.upper.column).value, 7);
            blitz::Array<Counted, 2> shared = a; // the memory's second owner
        }
        EXPECT_EQ(Counted::alive, 0) << rows;
    }
}
