#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"

struct Mix_Chunk;

namespace quillbarrow {

// A short sound fired by the timeline. While it sounds the music is ducked
// to volume 100; one process-wide timer raises it back to 128 when the sample
// that started the timer has had time to finish.
class AudioSample : public ISerializable {
public:
    explicit AudioSample(const JsonValue& value) { from_json(value); }
    explicit AudioSample(BinaryReader& in) { read(in); }
    // A sound held in memory: the bytes are copied, then decoded.
    AudioSample(std::string name, const void* bytes, std::size_t length);
    ~AudioSample() override;

    AudioSample(const AudioSample&) = delete;
    AudioSample& operator=(const AudioSample&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // Starts the sample unless it is still marked as played.
    void play();

    std::unique_ptr<ByteBuffer> buffer;
    Mix_Chunk* chunk = nullptr;  // none when the bytes did not decode
    std::string name;
    int duration = 0;  // milliseconds
    // Set by play, cleared on the timer thread by the duck timer this sample
    // started.
    std::atomic<bool> played{false};

private:
    void decode();
    void report_too_long() const;
};

// Where fired samples go instead of the live mixer, for renderers that
// compute the sound themselves. Its play keeps the played mark as the live
// path does.
class SampleOutput {
public:
    virtual ~SampleOutput() = default;
    virtual void play(AudioSample& sample) = 0;
};

// Null gives the live mixer back.
void set_sample_output(SampleOutput* output);

// True while a duck timer is pending.
bool music_duck_pending();

// Playing time in milliseconds of decoded sound bytes at the mixer's format,
// in 64-bit arithmetic so that long sounds do not overflow.
int sound_duration_ms(std::uint64_t byte_length, int channels, int frequency);

}  // namespace quillbarrow
