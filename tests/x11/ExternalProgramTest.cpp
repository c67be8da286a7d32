// Running the desktop's helper programs (file dialogs, the link opener).
#include "platform/ExternalProgram.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vorlunda {
namespace {

TEST(ExternalProgram, FindsProgramsAlongThePath) {
    EXPECT_EQ(external::FindProgram("sh").empty(), false);
    EXPECT_EQ(external::FindProgram("vorlunda2-no-such-program"), "");
    EXPECT_EQ(external::FindProgram("/bin/sh"), ""); // names only, never paths
}

TEST(ExternalProgram, CollectsOutputAndExitStatus) {
    std::string output;
    EXPECT_EQ(external::Run({"/bin/sh", "-c", "printf '/tmp/a b.fxp\\n'; exit 0"}, output, {}), 0);
    EXPECT_EQ(output, "/tmp/a b.fxp\n");
    EXPECT_EQ(external::Run({"/bin/sh", "-c", "exit 1"}, output, {}), 1); // a cancelled dialog
    EXPECT_EQ(output, "");
    EXPECT_EQ(external::Run({"/nonexistent/program"}, output, {}), -1); // cannot start
}

TEST(ExternalProgram, AWaitThatGivesUpEndsTheProgram) {
    std::string output;
    int calls = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(external::Run({"/bin/sleep", "30"}, output, [&] { return ++calls < 5; }), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GE(calls, 5);
}

TEST(ExternalProgram, LaunchReturnsAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(external::Launch({"/bin/sleep", "5"}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
} // namespace vorlunda
