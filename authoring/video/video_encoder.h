#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/child_process.h"
#include "video/video_clock.h"

namespace quillbarrow {

// What a video file's extension asks for: the container and its codecs.
struct VideoFormat {
    const char* extension;  // ".mp4"
    const char* muxer;      // ffmpeg's name of the container
    const char* description;
    std::vector<std::string> video_codec;  // ffmpeg's arguments for the picture, given a quality
    std::vector<std::string> audio_codec;  // and for the sound
    std::vector<std::string> muxer_options;
};

// The format a file name's extension chooses (in any letter case), or none.
const VideoFormat* video_format_for(const std::string& path);
// The extensions video_format_for knows: ".mp4, .webm or .mkv".
std::string known_video_extensions();

// Video made by an external ffmpeg from raw frames on its standard
// input. The picture goes into a file of its own; the sound is muxed in
// afterwards, once the whole mix is known.
class VideoEncoder {
public:
    // Empty, with the reason, when ffmpeg cannot be started.
    static std::unique_ptr<VideoEncoder> start(const std::string& video_path, const VideoFormat& format, int width,
                                               int height, FrameRate rate, int crf, std::string* error);

    // Frames piped the same way into another program, for measuring the
    // pipe without the encoder.
    static std::unique_ptr<VideoEncoder> start_program(const std::vector<std::string>& argv, int width, int height,
                                                       std::string* error);

    // One frame as glReadPixels gives it (RGBA, rows bottom-up); ffmpeg gets
    // it top row first. False once ffmpeg has stopped reading.
    bool write_frame(const std::uint8_t* pixels);
    // Ends the stream and waits for ffmpeg. False, with the reason, when it failed.
    bool finish(std::string* error);

private:
    VideoEncoder(std::unique_ptr<ChildWithInput> ffmpeg, int width, int height)
        : ffmpeg_(std::move(ffmpeg)), width_(width), height_(height) {}
    std::unique_ptr<ChildWithInput> ffmpeg_;
    int width_, height_;
    std::vector<std::uint8_t> flipped_;
};

// ffmpeg's arguments for the picture: raw RGBA in, the format's video codec
// in yuv420p tagged BT.709 out, in the format's container.
std::vector<std::string> encode_arguments(const std::string& video_path, const VideoFormat& format, int width,
                                          int height, FrameRate rate, int crf);
// ffmpeg's arguments that put the picture (copied) and the WAV (in the
// format's audio codec) into the final file.
std::vector<std::string> mux_arguments(const std::string& video_path, const std::string& wav_path,
                                       const std::string& out_path, const VideoFormat& format);

bool mux_video_and_sound(const std::string& video_path, const std::string& wav_path, const std::string& out_path,
                         const VideoFormat& format, std::string* error);

}  // namespace quillbarrow
