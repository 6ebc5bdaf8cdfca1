#include "engine_bridge/vardek_command.h"

#include "vardek.h"

#include <gtest/gtest.h>

namespace {

struct ResultCase {
    int code;
    const char* fatalText; // null: the command's own business
};

void PrintTo(const ResultCase& c, std::ostream* out) {
    *out << "code " << c.code;
}

class CheckResultTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(CheckResultTest, OnlyOutOfMemoryAndALibraryFaultAreFatal) {
    const ResultCase c = GetParam();
    if (!c.fatalText) {
        EXPECT_NO_THROW(VardekCommand::checkResult(c.code));
        return;
    }
    try {
        VardekCommand::checkResult(c.code);
        ADD_FAILURE() << "code " << c.code << " returned";
    } catch (const VardekCommand::Error& error) {
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.text, QString::fromLatin1(c.fatalText));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryResultCode, CheckResultTest,
    ::testing::Values(ResultCase{VkOk, nullptr}, ResultCase{VkNotSupported, nullptr},
                      ResultCase{VkCancelled, nullptr}, ResultCase{VkOutOfMemory, "Out of memory"},
                      ResultCase{VkFailed, nullptr},
                      ResultCase{VkEngineFailed, "Vardek library fault"},
                      ResultCase{VkBadSession, nullptr}, ResultCase{VkBadEngine, nullptr},
                      ResultCase{VkUndoOutOfMemory, "Out of memory"},
                      ResultCase{VkBadImage, nullptr}, ResultCase{VkNoSegmentation, nullptr}));

} // namespace
