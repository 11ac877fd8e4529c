#pragma once

namespace quillbarrow {

// The preview's playback position. It counts milliseconds of music the way
// the player does (beat = ms x BPM / 60000 - beat offset), but it can stop,
// jump and loop, and it survives reloads: a new tempo keeps the beat.
class PreviewClock {
public:
    PreviewClock(float bpm, float beat_offset);

    float beat() const;
    // Where the music should be for the current beat, in seconds (never
    // before its start).
    double music_seconds() const { return position_ms_ / 1000.0; }

    // Moves on by wall-clock time unless paused. True when a loop or the end
    // beat wrapped back to a start, so the music has to follow.
    bool advance(double elapsed_ms);
    // Beats before the music's start are clamped to it.
    void seek_to_beat(float beat);
    void seek_by(float beats) { seek_to_beat(beat() + beats); }
    void set_tempo(float bpm, float beat_offset);
    // Where the production ends: playing on reaches it and goes back to the
    // start, or to the loop's start while looping. Zero, negative or not a
    // number: it plays on.
    void set_end_beat(float end_beat) { end_beat_ = end_beat; }

    bool paused() const { return paused_; }
    void set_paused(bool paused) { paused_ = paused; }

    void mark_loop_start() {
        loop_start_ = beat();
        has_start_ = true;
    }
    void mark_loop_end() {
        loop_end_ = beat();
        has_end_ = true;
    }
    bool has_loop_range() const { return has_start_ && has_end_ && loop_start_ < loop_end_; }
    // Turning looping on needs both marks with the start first; a position
    // outside the range jumps to its start. True when the position moved.
    bool toggle_loop();
    bool looping() const { return looping_; }
    float loop_start() const { return loop_start_; }
    float loop_end() const { return loop_end_; }

private:
    double ms_at(float beat) const;

    float bpm_;
    float beat_offset_;
    float end_beat_ = 0.0f;
    double position_ms_ = 0.0;
    bool paused_ = false;
    bool looping_ = false;
    bool has_start_ = false, has_end_ = false;
    float loop_start_ = 0.0f, loop_end_ = 0.0f;
};

}  // namespace quillbarrow
