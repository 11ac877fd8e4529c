#include "document/audio_sample.h"

#include <climits>
#include <cstdio>

#include <SDL.h>
#include <SDL_mixer.h>

#include "document/bounded_sound.h"
#include "document/decode_budget.h"
#include "document/resource_file.h"
#include "player/diagnostics.h"
#include "player/player_state.h"

namespace quillbarrow {

namespace {

constexpr int kDuckedMusicVolume = 100;
constexpr int kFullMusicVolume = MIX_MAX_VOLUME;

// One duck timer for all samples. The owner is the sample whose played mark
// the timer clears; pending is claimed before the timer is added so that a
// timer firing at once cannot race with the bookkeeping of play.
struct MusicDuck {
    std::atomic<bool> pending{false};
    std::atomic<SDL_TimerID> timer{0};
    std::atomic<AudioSample*> owner{nullptr};
};
MusicDuck duck;

Uint32 end_music_duck(Uint32, void*) {
    if (AudioSample* sample = duck.owner.exchange(nullptr)) sample->played = false;
    Mix_VolumeMusic(kFullMusicVolume);
    duck.timer = 0;
    duck.pending = false;
    return 0;  // one shot: SDL removes the timer
}

}  // namespace

void set_sample_output(SampleOutput* output) { sample_output = output; }

bool music_duck_pending() { return duck.pending.load(); }

int sound_duration_ms(std::uint64_t byte_length, int channels, int frequency) {
    // 500 = 1000 ms divided by the 2 bytes of a 16-bit sample.
    if (channels <= 0) channels = 2;
    if (frequency <= 0) frequency = 44100;
    std::uint64_t ms = byte_length * 500 / static_cast<std::uint64_t>(channels) / static_cast<std::uint64_t>(frequency);
    return ms > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

AudioSample::AudioSample(std::string name_in, const void* bytes, std::size_t length)
    : buffer(std::make_unique<ByteBuffer>(bytes, length)), name(std::move(name_in)) {
    decode();
}

AudioSample::~AudioSample() {
    // A pending timer must not clear the mark of a sample that is gone.
    AudioSample* self = this;
    if (duck.owner.compare_exchange_strong(self, nullptr)) {
        if (SDL_RemoveTimer(duck.timer.exchange(0))) {
            Mix_VolumeMusic(kFullMusicVolume);
            duck.pending = false;
        }
    }
    if (chunk) Mix_FreeChunk(chunk);
}

void AudioSample::decode() {
    if (chunk) Mix_FreeChunk(chunk);
    chunk = nullptr;
    duration = 0;
    if (!buffer || buffer->len == 0 || buffer->len > static_cast<std::uint64_t>(INT_MAX)) return;
    // All samples of a production share one bound on decoded sound. A file
    // whose header tells its length is refused before it is decoded; any
    // other stops decoding at the bound.
    DecodeBudget& budget = current_decode_budget();
    const std::uint64_t allowed = budget.sound_bytes_left();
    const double declared = declared_sound_seconds(buffer->data.get(), buffer->len);
    if (declared >= 0.0 && mixer_bytes_for_seconds(declared) > allowed) {
        report_too_long();
        return;
    }
    BoundedSound sound = decode_sound_bounded(buffer->data.get(), buffer->len, allowed);
    if (sound.cut) {
        if (sound.chunk) Mix_FreeChunk(sound.chunk);
        report_too_long();
        return;
    }
    chunk = sound.chunk;
    if (!chunk) return;
    budget.take_sound_bytes(chunk->alen);
    duration = sound_duration_ms(chunk->alen, audio_format.channels, audio_format.frequency);
}

void AudioSample::report_too_long() const {
    report_notice(
        format_message("Audio sample \"%s\": decodes to more than the %d seconds of sound a production's samples may "
                       "hold together; it stays silent",
                       name.c_str(), kMaxDecodedAudioSeconds));
}

void AudioSample::play() {
    if (sample_output) return sample_output->play(*this);
    if (played.exchange(true)) return;
    Mix_VolumeMusic(kDuckedMusicVolume);
    if (chunk) Mix_PlayChannelTimed(-1, chunk, 0, -1);
    bool expected = false;
    if (!duck.pending.compare_exchange_strong(expected, true)) return;
    duck.owner = this;
    SDL_TimerID id = SDL_AddTimer(static_cast<Uint32>(duration), end_music_duck, nullptr);
    if (id == 0) {
        // Without a timer nothing would ever raise the music again.
        // The mark stays set so the sample does not restart every frame.
        report_notice(format_message("Cannot start the music duck timer: %s", SDL_GetError()));
        duck.owner = nullptr;
        Mix_VolumeMusic(kFullMusicVolume);
        duck.pending = false;
        return;
    }
    // The timer may already have fired; only record an id that is still live.
    if (duck.pending) duck.timer = id;
}

JsonValue AudioSample::to_json(bool export_resources) const {
    JsonValue out = JsonValue::object();
    out["name"] = name;
    store_resource_buffer(out, "audio_buffer", buffer.get(), name, export_resources);
    return out;
}

void AudioSample::write(BinaryWriter& out) const {
    out.write_string(name);
    write_resource_buffer(out, buffer.get());
}

void AudioSample::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    buffer = load_resource_buffer(value, "audio_buffer", name);
    decode();
}

void AudioSample::read(BinaryReader& in) {
    name = in.read_string("audio sample name");
    buffer = std::make_unique<ByteBuffer>(in);
    decode();
}

}  // namespace quillbarrow
