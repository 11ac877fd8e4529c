// Programs run with their output read back: bounded, drained and with the
// child's own exit status.

#include <gtest/gtest.h>

#include "system/child_process.h"

namespace quillbarrow {

TEST(ChildProcess, OutputIsCappedYetTheChildRunsToItsEnd) {
    if (find_on_path("head").empty() || find_on_path("sh").empty()) GTEST_SKIP() << "no head or sh on PATH";
    std::string output;
    // Far more than a pipe holds: a reader that stopped at the cap would leave it blocked.
    EXPECT_EQ(run_program_reading_output({"head", "-c", "3000000", "/dev/zero"}, 1000, &output), 0);
    EXPECT_EQ(output, std::string(1000, '\0'));

    output.clear();
    EXPECT_EQ(run_program_reading_output({"sh", "-c", "echo out; echo err >&2; exit 3"}, 1 << 16, &output), 3);
    EXPECT_EQ(output, "out\nerr\n");

    output.clear();
    EXPECT_EQ(run_program_reading_output({"quillbarrow-no-such-program"}, 100, &output), -1);
    EXPECT_EQ(output, "");
}

}  // namespace quillbarrow
