#pragma once

#include <string>

#include <gtest/gtest.h>

namespace quillbarrow {

// One hidden SDL window with a GL 3.0 core context, made on first use and
// kept current on the main thread for the rest of the test run. Needs a
// display (run the tests under Xvfb with DISPLAY set).
//
// Returns false and fills *error when no context can be made.
bool ensure_gl_context(std::string* error);

// Fixture for tests that make GL objects: fails the test, with the reason,
// when no context is available.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
};

}  // namespace quillbarrow
