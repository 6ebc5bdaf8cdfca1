// Status images created from the application's pixels.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/image.h"
#include "api/vardek.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class StatusImages : public ::testing::Test {
protected:
    void SetUp() override { engine = VkInit(); }
    void TearDown() override { EXPECT_EQ(VkFinish(engine), VkOk); }

    std::vector<uint8_t> statusBytes(VkImage* image) {
        std::vector<uint8_t> out;
        for (int r = 0; r < image->height; ++r)
            out.insert(out.end(), image->data + r * image->rowBytes,
                       image->data + r * image->rowBytes + image->width);
        return out;
    }
    VkEngine* engine = nullptr;
};

TEST_F(StatusImages, OpaquePixelsStartUnassignedByKind) {
    struct Case {
        int32_t kind;
        std::vector<uint16_t> alphas;
        std::vector<uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {VkKindRgba8, {255, 254, 0}, {1, 0, 0}},
        {VkKindRgba16, {65535, 32768, 0}, {1, 0, 0}},
        {VkKindRgba15, {32768, 65535, 0}, {1, 0, 0}},
        {7, {0, 0, 0}, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const int width = 3;
        std::vector<uint8_t> pixels(64, 0);
        if (c.kind == VkKindRgba8) {
            for (int i = 0; i < width; ++i)
                pixels[4 * i + 3] = static_cast<uint8_t>(c.alphas[i]);
        } else {
            auto* samples = reinterpret_cast<uint16_t*>(pixels.data());
            for (int i = 0; i < width; ++i)
                samples[4 * i + 3] = c.alphas[i];
        }
        const int32_t rowBytes = c.kind == VkKindRgba8 ? 12 : 24;
        VkImage* image = VkNewStatusImage(engine, width, 1, rowBytes, c.kind, pixels.data());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->kind, VkKindStatus);
        EXPECT_EQ(statusBytes(image), c.expected);
    }
}

TEST_F(StatusImages, RowsAreRoundedToFourBytesAndStartAligned) {
    std::vector<uint8_t> pixels(7 * 3 * 4, 255);
    for (int width : {1, 4, 5, 7}) {
        VkImage* image = VkNewStatusImage(engine, width, 3, 28, VkKindRgba8, pixels.data());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->rowBytes, (width + 3) / 4 * 4);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image->data) % 4, 0u);
        EXPECT_EQ(statusBytes(image), std::vector<uint8_t>(width * 3, 1));
    }
}

TEST_F(StatusImages, RowStrideIsReadFromRowBytes) {
    // Two rows of 2 pixels with a padded row stride of 3 pixels.
    std::vector<uint8_t> pixels(2 * 12, 0);
    pixels[3] = 255;      // (0, 0)
    pixels[12 + 7] = 255; // (1, 1)
    VkImage* image = VkNewStatusImage(engine, 2, 2, 12, VkKindRgba8, pixels.data());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(statusBytes(image), std::vector<uint8_t>({1, 0, 0, 1}));
}

TEST_F(StatusImages, BadArgumentsGiveNull) {
    std::vector<uint8_t> pixels(64, 255);
    EXPECT_EQ(VkNewStatusImage(engine, 2, 2, 8, VkKindRgba8, nullptr), nullptr);
    EXPECT_EQ(VkNewStatusImage(engine, 0, 2, 8, VkKindRgba8, pixels.data()), nullptr);
    EXPECT_EQ(VkNewStatusImage(engine, 2, 0, 8, VkKindRgba8, pixels.data()), nullptr);
    EXPECT_EQ(VkNewStatusImage(engine, -2, 2, 8, VkKindRgba8, pixels.data()), nullptr);
    EXPECT_EQ(VkNewStatusImage(engine, 4, 2, 15, VkKindRgba8, pixels.data()), nullptr);
    EXPECT_EQ(VkNewStatusImage(nullptr, 2, 2, 8, VkKindRgba8, pixels.data()), nullptr);
    EXPECT_FALSE(engine->failed);
    EXPECT_TRUE(engine->images.empty());
}

TEST_F(StatusImages, AnAliasSharesPixelsAndLeavesTheEngineWithItsDestruction) {
    std::vector<uint8_t> pixels(16, 255);
    VkImage* handle = VkNewStatusImage(engine, 2, 2, 8, VkKindRgba8, pixels.data());
    VkInImage* image = inImage(handle);
    {
        VkInImage alias(*image);
        EXPECT_EQ(engine->images.count(&alias), 1u);
        EXPECT_EQ(alias.data, image->data);
        EXPECT_FALSE(alias.ownsBuffer);
    }
    EXPECT_EQ(engine->images.size(), 1u);
    EXPECT_EQ(statusBytes(handle), std::vector<uint8_t>(4, 1)); // still readable
}

TEST_F(StatusImages, RegionCopyClearsBytesOutsideTheMask) {
    std::vector<uint8_t> pixels(4 * 3 * 4, 255);
    VkInImage* image = inImage(VkNewStatusImage(engine, 4, 3, 16, VkKindRgba8, pixels.data()));
    image->row(1)[2] = 2;
    const uint8_t mask[4] = {1, 0, 1, 1};
    VkInImage copy;
    copy.copyRegion(*image, 1, 1, 2, 2, mask, 2);
    EXPECT_TRUE(copy.ownsBuffer);
    EXPECT_EQ(copy.width, 2);
    EXPECT_EQ(copy.row(0)[0], 1);
    EXPECT_EQ(copy.row(0)[1], 0);
    EXPECT_EQ(copy.row(1)[0], 1);
    EXPECT_EQ(copy.row(1)[1], 1);
    copy.row(0)[0] = 9;
    EXPECT_EQ(image->row(1)[1], 1); // a copy, not a window
}

} // namespace
