#include "model/image_coordinates.h"

#include "model_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageCoordinatesTest, EmptyValueIsTheDefault) {
    const ImageRectF empty;
    EXPECT_EQ(QRectF(empty), QRectF(0, 0, -1, -1));
    EXPECT_TRUE(empty.isEmptyValue());
    EXPECT_FALSE(empty.hasArea());
    EXPECT_FALSE(ImageRectF(0, 0, 0, 0).isEmptyValue());
}

TEST(ImageCoordinatesTest, IntegerRectangleRoundsHalvesUpwards) {
    struct Case {
        ImageRectF rect;
        QRect expected;
    };
    const Case cases[] = {
        {ImageRectF(0.5, -0.5, 2.5, 1.5), QRect(1, 0, 3, 2)},
        {ImageRectF(-1.5, -2.5, 0.49, 0.51), QRect(-1, -2, 0, 1)},
        {ImageRectF(3.2, 4.8, 10.0, 9.5), QRect(3, 5, 10, 10)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.rect.toRect(), c.expected) << testing::PrintToString(c.rect);
}

TEST(ImageCoordinatesTest, ConversionsScaleByTheFactorWithoutRounding) {
    const ImageRectF image(3, 5, 7, 9);
    EXPECT_EQ(QRectF(image.toWorkspace(2)), QRectF(1.5, 2.5, 3.5, 4.5));
    EXPECT_EQ(QRectF(image.toWorkspace(4)), QRectF(0.75, 1.25, 1.75, 2.25));
    EXPECT_EQ(QRectF(ImageRectF::fromWorkspace(QRectF(1.5, 2.5, 3.5, 4.5), 2)), QRectF(image));
    EXPECT_EQ(QRectF(image.scaled(0.5)), QRectF(1.5, 2.5, 3.5, 4.5));

    EXPECT_EQ(ImagePointF(3, 5).toWorkspace(4), QPointF(0.75, 1.25));
    EXPECT_EQ(QPointF(ImagePointF::fromWorkspace(QPointF(0.75, 1.25), 4)), QPointF(3, 5));
}

} // namespace
