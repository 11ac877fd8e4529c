#include <gtest/gtest.h>

#include <cmath>

#include "player/player_state.h"
#include "timeline/event.h"

namespace quillbarrow {

namespace {

class TextTrack : public ::testing::Test {
protected:
    void SetUp() override { saved_beat_ = current_beat; }
    void TearDown() override { current_beat = saved_beat_; }

    Event event_with_text(std::vector<ControlPoint> points, float start = 0, float end = 100) {
        Event event;
        event.start = start;
        event.end = end;
        event.track("caption").set_points(std::move(points));
        return event;
    }

private:
    float saved_beat_ = 0;
};

TEST_F(TextTrack, OnlyTheFirstOccurrenceOfAPlaceholderIsReplaced) {
    Event event = event_with_text({{0, 0, "<BEAT> and <BEAT>"}});
    current_beat = 12.5f;
    EXPECT_EQ(event.text_at("caption", 3, -1), "12.500000 and <BEAT>");
}

TEST_F(TextTrack, PlaceholdersUseFrameBeatAndPointBeats) {
    Event event = event_with_text({{2.75f, 0, "<IBEAT>|<CP>|<ICP>|<ACP>|<IACP>"}}, 10, 20);
    // <IBEAT> follows the frame's beat, not the beat evaluated (15 here).
    current_beat = -3.7f;
    EXPECT_EQ(event.text_at("caption", 15, -1), "-3|2.750000|2|12.750000|12");
}

TEST_F(TextTrack, RevealsLetterByLetterTowardsTheNextPoint) {
    Event event = event_with_text({{0, 0, "ABCDEFGHIJ"}, {2, 0, "next"}});
    EXPECT_EQ(event.text_at("caption", 0, 1), "A");
    EXPECT_EQ(event.text_at("caption", 1, 1), "ABCDEF");
    EXPECT_EQ(event.text_at("caption", 1.8f, 1), "ABCDEFGHIJ");
    EXPECT_EQ(event.text_at("caption", 1.99f, 1), "ABCDEFGHIJ");
    EXPECT_EQ(event.text_at("caption", 0.5f, 2), "ABCDEF");
    EXPECT_EQ(event.text_at("caption", 0, -1), "ABCDEFGHIJ");
    // The last point's text always shows whole.
    EXPECT_EQ(event.text_at("caption", 2, 1), "next");
}

TEST_F(TextTrack, EmptyOutsideTheEventAndBeforeTheFirstPoint) {
    Event event = event_with_text({{1, 0, "hello"}}, 4, 8);
    EXPECT_EQ(event.text_at("caption", 4.5f, -1), "");
    EXPECT_EQ(event.text_at("caption", 5, -1), "hello");
    EXPECT_EQ(event.text_at("caption", 8, -1), "hello");
    EXPECT_EQ(event.text_at("caption", std::nextafter(8.0f, 9.0f), -1), "");
    EXPECT_EQ(event.text_at("caption", 3.99f, -1), "");
}

TEST_F(TextTrack, CurrentPointIsTheHighestIndexAtOrBeforeTheBeat) {
    // Unsorted: the value walk would stop at beat 5, the text rule scans all.
    Event event = event_with_text({{0, 0, "a"}, {5, 0, "b"}, {1, 0, "c"}});
    EXPECT_EQ(event.text_at("caption", 2, -1), "c");
    EXPECT_EQ(event.text_at("caption", 0.5f, -1), "a");
}

TEST_F(TextTrack, LookupAddsAnEmptyLinearTrack) {
    Event event;
    event.end = 10;
    EXPECT_EQ(event.find_track("title"), nullptr);
    EXPECT_EQ(event.tracks.size(), 0u);
    EXPECT_EQ(event.text_at("title", 1, -1), "");
    const ControlTrack* added = event.find_track("title");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->empty());
    EXPECT_EQ(added->mode, InterpolationMode::Linear);
    EXPECT_FALSE(added->repeat);
    // An added track is part of the event from now on.
    JsonValue json = event.to_json(false);
    EXPECT_TRUE(json["control_points"].has("title"));
    EXPECT_EQ(&event.track("title"), added);
}

}  // namespace

}  // namespace quillbarrow
