#include <gtest/gtest.h>

#include "preview/preview_clock.h"

namespace quillbarrow {

// 120 BPM: a beat is 500 ms; an offset of half a beat puts beat 0 at 250 ms.
TEST(PreviewClock, CountsBeatsLikeThePlayerAndStopsWhilePaused) {
    PreviewClock clock(120.0f, 0.5f);
    EXPECT_FLOAT_EQ(clock.beat(), 0.0f);
    EXPECT_DOUBLE_EQ(clock.music_seconds(), 0.25);
    clock.advance(1000.0);
    EXPECT_FLOAT_EQ(clock.beat(), 2.0f);
    clock.set_paused(true);
    clock.advance(1000.0);
    EXPECT_FLOAT_EQ(clock.beat(), 2.0f);
    clock.seek_by(4.0f);
    EXPECT_FLOAT_EQ(clock.beat(), 6.0f);
    EXPECT_DOUBLE_EQ(clock.music_seconds(), 3.25);
}

TEST(PreviewClock, SeeksStopAtTheStartOfTheMusic) {
    PreviewClock clock(120.0f, 0.5f);
    clock.seek_by(-1.0f);
    EXPECT_DOUBLE_EQ(clock.music_seconds(), 0.0);
    EXPECT_FLOAT_EQ(clock.beat(), -0.5f);
}

TEST(PreviewClock, NewTempoKeepsTheBeatAndMovesTheMusic) {
    PreviewClock clock(120.0f, 0.0f);
    clock.seek_to_beat(8.0f);
    clock.set_tempo(60.0f, 1.0f);
    EXPECT_FLOAT_EQ(clock.beat(), 8.0f);
    EXPECT_DOUBLE_EQ(clock.music_seconds(), 9.0);
}

TEST(PreviewClock, TheEndBeatGoesBackToTheStartOrToTheLoopsStart) {
    PreviewClock clock(120.0f, 0.0f);
    clock.set_end_beat(8.0f);
    clock.seek_to_beat(7.9f);
    EXPECT_FALSE(clock.advance(40.0));  // beat 7.98
    EXPECT_TRUE(clock.advance(40.0));
    EXPECT_FLOAT_EQ(clock.beat(), 0.0f);

    // A loop that reaches past the end beat wraps at the end beat to the loop's start.
    clock.seek_to_beat(6.0f);
    clock.mark_loop_start();
    clock.seek_to_beat(10.0f);
    clock.mark_loop_end();
    clock.toggle_loop();
    ASSERT_TRUE(clock.looping());
    clock.seek_to_beat(7.99f);
    EXPECT_TRUE(clock.advance(20.0));
    EXPECT_FLOAT_EQ(clock.beat(), 6.0f);

    // No end beat plays on.
    PreviewClock endless(120.0f, 0.0f);
    endless.set_end_beat(0.0f);
    endless.seek_to_beat(1000.0f);
    EXPECT_FALSE(endless.advance(500.0));
    EXPECT_FLOAT_EQ(endless.beat(), 1001.0f);
}

TEST(PreviewClock, LoopsWrapToTheirStartAndNeedBothMarksInOrder) {
    PreviewClock clock(120.0f, 0.0f);
    clock.seek_to_beat(4.0f);
    clock.mark_loop_start();
    EXPECT_FALSE(clock.toggle_loop());
    EXPECT_FALSE(clock.looping()) << "no end mark yet";
    clock.seek_to_beat(2.0f);
    clock.mark_loop_end();
    clock.toggle_loop();
    EXPECT_FALSE(clock.looping()) << "end before start";

    clock.seek_to_beat(6.0f);
    clock.mark_loop_end();
    EXPECT_TRUE(clock.toggle_loop()) << "beat 6 lies outside 4-6: jumps to the start";
    EXPECT_TRUE(clock.looping());
    EXPECT_FLOAT_EQ(clock.beat(), 4.0f);

    bool wrapped = false;
    for (int frame = 0; frame < 200; ++frame) {
        wrapped = clock.advance(16.0) || wrapped;
        ASSERT_GE(clock.beat(), 4.0f);
        ASSERT_LT(clock.beat(), 6.0f);
    }
    EXPECT_TRUE(wrapped);

    EXPECT_FALSE(clock.toggle_loop());
    EXPECT_FALSE(clock.looping());
    clock.advance(2000.0);
    EXPECT_GT(clock.beat(), 6.0f);
}

}  // namespace quillbarrow
