#include <gtest/gtest.h>

#include "player/beat_clock.h"
#include "player/player_state.h"

namespace quillbarrow {

TEST(BeatClock, StartsAtMinusTheOffset) {
    EXPECT_EQ(beat_at(0, 130.0f, 0.5f), -0.5f);
    EXPECT_EQ(beat_at(0, 0.0f, 0.5f), -0.5f);
    EXPECT_EQ(beat_at(60000, 0.0f, 0.5f), -0.5f);  // no BPM: the beat stays put
}

TEST(BeatClock, SinglePrecisionInItsOwnOrder) {
    EXPECT_EQ(beat_at(60000, 120.0f, 0.0f), 120.0f);
    // The product is rounded to float before the division.
    const std::uint32_t ms = 16777217;  // 2^24 + 1 does not fit a float
    float expected = static_cast<float>(ms);
    expected = expected * 130.0f;
    expected = expected / 60000.0f;
    EXPECT_EQ(beat_at(ms, 130.0f, 0.5f), expected - 0.5f);
    // 221.8 s at 130 BPM with offset 0.5 is just past beat 480.
    EXPECT_FALSE(past_end(beat_at(221760, 130.0f, 0.5f), 480.0f));
    EXPECT_TRUE(past_end(beat_at(221800, 130.0f, 0.5f), 480.0f));
}

TEST(BeatClock, EndTestIsStrictAndBelowTenThousand) {
    EXPECT_FALSE(past_end(2.0f, 2.0f));
    EXPECT_TRUE(past_end(2.0001f, 2.0f));
    EXPECT_FALSE(past_end(20000.0f, 10000.0f));
    EXPECT_FALSE(past_end(10000.0f, 9000.0f));
    EXPECT_TRUE(past_end(9999.0f, 9000.0f));
}

TEST(DisplaySize, SixteenByNineFromTheDesktopWidth) {
    DisplaySize narrow = DisplaySize::from_desktop_width(1366);
    EXPECT_EQ(narrow.render_width, 1366);
    EXPECT_EQ(narrow.render_height, 768);
    EXPECT_EQ(narrow.viewport_width, 1366);
    EXPECT_EQ(narrow.viewport_height, 768);
    DisplaySize wide = DisplaySize::from_desktop_width(2560);
    EXPECT_EQ(wide.render_height, 1440);
    EXPECT_EQ(DisplaySize::from_desktop_width(1920).viewport_height, 1080);
}

}  // namespace quillbarrow
