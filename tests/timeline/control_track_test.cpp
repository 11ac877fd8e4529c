#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "timeline/event.h"

namespace quillbarrow {

namespace {

Event event_over(float start, float end) {
    Event event;
    event.start = start;
    event.end = end;
    return event;
}

ControlTrack track_of(std::vector<ControlPoint> points, InterpolationMode mode, bool repeat = false) {
    return ControlTrack(std::move(points), mode, repeat);
}

// The evaluation exactly as the timeline defines it: a walk from the first
// point, neighbours by index, no search structure.
float reference_value_at(const std::vector<ControlPoint>& points, int mode, bool repeat, float start, float end,
                         float beat) {
    if (beat < start || beat > end) return 0;
    if (points.empty()) return 0;
    const float local = beat - start;
    long current = -1;
    for (std::size_t j = 0; j < points.size(); ++j) {
        if (points[j].beat <= local) {
            current = static_cast<long>(j);
        } else if (current != -1 && points[j].beat > local) {
            break;
        }
    }
    if (current == -1) return 0;
    const long n = static_cast<long>(points.size());
    const long i = current;
    long next = i + 1;
    if (next == n) next = repeat ? 0 : n - 1;
    long after_next = next + 1;
    if (after_next == n) after_next = repeat ? 0 : n - 1;
    long previous = i - 1;
    if (i == 0) previous = repeat ? n - 1 : 0;

    if (mode == 0) return points[i].value;
    if (mode == 1) {
        float d = points[next].beat - points[i].beat;
        if (d == 0) return points[i].value;
        float t = (local - points[i].beat) / d;
        return (1 - t) * points[i].value + t * points[next].value;
    }
    if (mode == 2) {
        float d = points[next].beat - points[i].beat;
        if (d == 0) return points[i].value;
        float p1 = points[i].value;
        float p2 = points[next].value;
        float before = points[i].beat - points[previous].beat;
        float after = points[after_next].beat - points[next].beat;
        float p0 = static_cast<double>(before) > 0.05 ? points[previous].value : p1;
        float p3 = static_cast<double>(after) > 0.05 ? points[after_next].value : p2;
        float t = (local - points[i].beat) / d;
        float t2 = t * t;
        float t3 = t2 * t;
        return 0.5 *
               (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 + (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
    }
    return 0;
}

TEST(TrackValue, SinglePointHoldsForTheWholeEvent) {
    const Event event = event_over(4, 8);
    for (auto mode : {InterpolationMode::LastValue, InterpolationMode::Linear, InterpolationMode::Smooth}) {
        const ControlTrack track = track_of({{0, 3.5f, ""}}, mode);
        EXPECT_EQ(event.value_at(&track, 4), 3.5f);
        EXPECT_EQ(event.value_at(&track, 6.25f), 3.5f);
        EXPECT_EQ(event.value_at(&track, 8), 3.5f);
    }
}

TEST(TrackValue, BoundsAndMissingData) {
    const Event event = event_over(4, 8);
    const ControlTrack track = track_of({{0, 2, ""}, {2, 6, ""}}, InterpolationMode::Linear);
    // Both ends of the event are included; a hair outside is 0.
    EXPECT_EQ(event.value_at(&track, 8), 6.0f);
    EXPECT_EQ(event.value_at(&track, std::nextafter(8.0f, 9.0f)), 0.0f);
    EXPECT_EQ(event.value_at(&track, 4), 2.0f);
    EXPECT_EQ(event.value_at(&track, std::nextafter(4.0f, 3.0f)), 0.0f);
    EXPECT_EQ(event.value_at(&track, 5), 4.0f);

    EXPECT_EQ(event.value_at(nullptr, 5), 0.0f);
    const ControlTrack empty;
    EXPECT_EQ(event.value_at(&empty, 5), 0.0f);
    const ControlTrack unknown_mode = track_of({{0, 2, ""}, {2, 6, ""}}, static_cast<InterpolationMode>(5));
    EXPECT_EQ(event.value_at(&unknown_mode, 5), 0.0f);
}

TEST(TrackValue, BeforeFirstAndPastLastPoint) {
    const Event event = event_over(0, 100);
    for (auto mode : {InterpolationMode::LastValue, InterpolationMode::Linear, InterpolationMode::Smooth}) {
        const ControlTrack track = track_of({{2, 5, ""}, {4, 9, ""}}, mode);
        EXPECT_EQ(event.value_at(&track, 1.99f), 0.0f) << static_cast<int>(mode);
        EXPECT_EQ(event.value_at(&track, 4), 9.0f) << static_cast<int>(mode);
        EXPECT_EQ(event.value_at(&track, 50), 9.0f) << static_cast<int>(mode);
    }
}

TEST(TrackValue, LaterOfTwoPointsAtOneBeatWins) {
    const Event event = event_over(0, 10);
    const ControlTrack held = track_of({{0, 1, ""}, {2, 5, ""}, {2, 9, ""}, {4, 0, ""}}, InterpolationMode::LastValue);
    EXPECT_EQ(event.value_at(&held, std::nextafter(2.0f, 0.0f)), 1.0f);
    EXPECT_EQ(event.value_at(&held, 2), 9.0f);
    const ControlTrack linear = track_of({{0, 1, ""}, {2, 5, ""}, {2, 9, ""}, {4, 1, ""}}, InterpolationMode::Linear);
    EXPECT_EQ(event.value_at(&linear, 2), 9.0f);
    EXPECT_EQ(event.value_at(&linear, 3), 5.0f);
}

// With both outer points standing in for themselves, the spline passes the
// middle of a segment at the mean of its end values.
TEST(TrackValue, SplineIgnoresNeighboursWithinFiveHundredthsOfABeat) {
    const Event event = event_over(0, 10);
    auto middle_of_second_segment = [&](float previous_beat) {
        const ControlTrack track =
            track_of({{previous_beat, 100, ""}, {1.05f, 0, ""}, {2.05f, 1, ""}}, InterpolationMode::Smooth);
        return event.value_at(&track, 1.55f);
    };
    // 1.05f - 1.0f is just under 0.05: the previous point is ignored.
    EXPECT_NEAR(middle_of_second_segment(1.0f), 0.5f, 1e-5f);
    EXPECT_GT(std::fabs(middle_of_second_segment(0.99f) - 0.5f), 1.0f);

    auto middle_of_first_segment = [&](float after_next_beat) {
        const ControlTrack track =
            track_of({{0, 0, ""}, {1, 1, ""}, {after_next_beat, 100, ""}}, InterpolationMode::Smooth);
        return event.value_at(&track, 0.5f);
    };
    EXPECT_NEAR(middle_of_first_segment(1.05f), 0.5f, 1e-5f);
    EXPECT_GT(std::fabs(middle_of_first_segment(1.06f) - 0.5f), 1.0f);

    // The gap 0.05f - 0 is computed in single precision and is slightly
    // above 0.05 in double precision, so this neighbour counts.
    const ControlTrack exact = track_of({{0, 100, ""}, {0.05f, 0, ""}, {1.05f, 1, ""}}, InterpolationMode::Smooth);
    EXPECT_GT(std::fabs(event.value_at(&exact, 0.55f) - 0.5f), 1.0f);
}

TEST(TrackValue, RepeatRunsThePastLastSegmentTowardsTheFirstPoint) {
    const Event event = event_over(0, 10);
    const ControlTrack looping = track_of({{0, 0, ""}, {1, 10, ""}}, InterpolationMode::Linear, true);
    // d = -1, t = -0.5: the line from 10 back to 0 continued past 10.
    EXPECT_EQ(event.value_at(&looping, 1.5f), 15.0f);
    const ControlTrack once = track_of({{0, 0, ""}, {1, 10, ""}}, InterpolationMode::Linear, false);
    EXPECT_EQ(event.value_at(&once, 1.5f), 10.0f);

    const ControlTrack smooth = track_of({{0, 0, ""}, {1, 10, ""}, {2, 20, ""}}, InterpolationMode::Smooth, true);
    EXPECT_EQ(event.value_at(&smooth, 2), 20.0f);
    EXPECT_NE(event.value_at(&smooth, 2.5f), 20.0f);
    // Before the first point repeat changes nothing.
    const ControlTrack late = track_of({{1, 4, ""}, {2, 8, ""}}, InterpolationMode::Linear, true);
    EXPECT_EQ(event.value_at(&late, 0.5f), 0.0f);
}

TEST(TrackValue, AscendingFlagFollowsChanges) {
    ControlTrack track;
    EXPECT_TRUE(track.ascending());
    track.add_point({0, 1, ""});
    track.add_point({1, 2, ""});
    track.add_point({1, 3, ""});
    EXPECT_TRUE(track.ascending());
    track.add_point({0.5f, 4, ""});
    EXPECT_FALSE(track.ascending());
    // The walk stops at beat 1 and never reaches the point at 0.5: the
    // current point stays the first one, interpolated towards (1, 2).
    const Event event = event_over(0, 5);
    EXPECT_EQ(event.value_at(&track, 0.75f), 1.75f);
    track.set_points({{0, 1, ""}, {2, 3, ""}});
    EXPECT_TRUE(track.ascending());
    track.set_points({{std::nanf(""), 1, ""}, {2, 3, ""}});
    EXPECT_FALSE(track.ascending());
}

std::vector<ControlPoint> random_points(std::mt19937& rng, int shape) {
    std::uniform_int_distribution<int> count_dist(1, 12);
    std::uniform_real_distribution<float> value_dist(-10, 10);
    std::uniform_real_distribution<float> step_dist(0.0f, 1.5f);
    std::uniform_real_distribution<float> beat_dist(-2, 12);
    std::bernoulli_distribution duplicate(0.25);
    std::bernoulli_distribution tiny(0.3);
    // Gaps around the spline's 0.05-beat neighbour limit.
    const float close_steps[3] = {0.04f, 0.05f, 0.06f};
    const int n = count_dist(rng);
    std::vector<ControlPoint> points;
    float beat = beat_dist(rng) * 0.25f;
    for (int k = 0; k < n; ++k) {
        if (shape == 0) {  // ascending, with repeated beats and close pairs
            if (k > 0 && !duplicate(rng)) beat += tiny(rng) ? close_steps[k % 3] : step_dist(rng);
        } else {  // any order, with repeated beats
            beat = duplicate(rng) && k > 0 ? points[k - 1].beat : beat_dist(rng);
        }
        points.push_back({beat, value_dist(rng), ""});
    }
    return points;
}

TEST(TrackValue, FastPathMatchesTheScanBitForBit) {
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<float> start_dist(-4, 4);
    std::uniform_real_distribution<float> beat_dist(-8, 24);
    int ascending_tracks = 0, evaluations = 0;
    for (int round = 0; round < 3000; ++round) {
        const int shape = round % 2;
        const int mode = round / 2 % 4;  // 3 stands for any unknown mode
        const bool repeat = round / 8 % 2 == 1;
        std::vector<ControlPoint> points = random_points(rng, shape);
        const ControlTrack track(points, static_cast<InterpolationMode>(mode), repeat);
        if (shape == 0) {
            ASSERT_TRUE(track.ascending());
            ++ascending_tracks;
        }
        const float start = start_dist(rng);
        const Event event = event_over(start, start + 16);

        std::vector<float> beats;
        for (int k = 0; k < 40; ++k) beats.push_back(beat_dist(rng));
        for (const ControlPoint& p : points) {
            const float at = p.beat + start;
            beats.insert(beats.end(), {at, std::nextafter(at, -1e9f), std::nextafter(at, 1e9f)});
        }
        beats.insert(beats.end(), {event.start, event.end, std::numeric_limits<float>::quiet_NaN()});
        for (float beat : beats) {
            const float fast = event.value_at(&track, beat);
            const float scan = reference_value_at(points, mode, repeat, event.start, event.end, beat);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(fast), std::bit_cast<std::uint32_t>(scan))
                << "round " << round << " beat " << beat << " mode " << mode << " repeat " << repeat;
            ++evaluations;
        }
    }
    EXPECT_EQ(ascending_tracks, 1500);
    EXPECT_GT(evaluations, 100000);
}

}  // namespace

}  // namespace quillbarrow
