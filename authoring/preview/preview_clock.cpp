#include "preview/preview_clock.h"

#include <algorithm>

namespace quillbarrow {

PreviewClock::PreviewClock(float bpm, float beat_offset) : bpm_(bpm), beat_offset_(beat_offset) { seek_to_beat(0.0f); }

float PreviewClock::beat() const { return static_cast<float>(position_ms_ * bpm_ / 60000.0) - beat_offset_; }

double PreviewClock::ms_at(float beat) const {
    // A tempo of zero would put every beat at infinity; hold at the start.
    if (bpm_ <= 0.0f) return 0.0;
    return std::max(0.0, (static_cast<double>(beat) + beat_offset_) * 60000.0 / bpm_);
}

void PreviewClock::seek_to_beat(float beat) { position_ms_ = ms_at(beat); }

void PreviewClock::set_tempo(float bpm, float beat_offset) {
    const float kept = beat();
    bpm_ = bpm;
    beat_offset_ = beat_offset;
    seek_to_beat(kept);
}

bool PreviewClock::advance(double elapsed_ms) {
    if (paused_) return false;
    position_ms_ += elapsed_ms;
    if (looping_ && beat() >= loop_end_) {
        seek_to_beat(loop_start_);
        return true;
    }
    if (end_beat_ > 0.0f && beat() >= end_beat_) {
        seek_to_beat(looping_ ? loop_start_ : 0.0f);
        return true;
    }
    return false;
}

bool PreviewClock::toggle_loop() {
    if (looping_) {
        looping_ = false;
        return false;
    }
    if (!has_loop_range()) return false;
    looping_ = true;
    const float now = beat();
    if (now >= loop_start_ && now < loop_end_) return false;
    seek_to_beat(loop_start_);
    return true;
}

}  // namespace quillbarrow
