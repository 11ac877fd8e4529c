#include "player/player_state.h"

namespace quillbarrow {

DisplaySize display_size;
AudioFormatInfo audio_format;
Demo* current_document = nullptr;
float current_beat = 0.0f;
unsigned int white_texture = 0;
std::int32_t instance_count = 1;
std::atomic<bool> quit_requested{false};
Mix_Music* music_stream = nullptr;
DecodeBudget* active_decode_budget = nullptr;
SampleOutput* sample_output = nullptr;

}  // namespace quillbarrow
