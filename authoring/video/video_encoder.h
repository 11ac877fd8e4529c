#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/child_process.h"
#include "video/video_clock.h"

namespace quillbarrow {

// H.264 video made by an external ffmpeg from raw frames on its standard
// input. The picture goes into a file of its own; the sound is muxed in
// afterwards, once the whole mix is known.
class VideoEncoder {
public:
    // Empty, with the reason, when ffmpeg cannot be started.
    static std::unique_ptr<VideoEncoder> start(const std::string& video_path, int width, int height, FrameRate rate,
                                               int crf, std::string* error);

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

// ffmpeg's arguments for the picture: raw RGBA in, H.264 yuv420p tagged
// BT.709 out.
std::vector<std::string> encode_arguments(const std::string& video_path, int width, int height, FrameRate rate,
                                          int crf);
// ffmpeg's arguments that put the picture (copied) and the WAV (as AAC)
// into the final MP4, index first.
std::vector<std::string> mux_arguments(const std::string& video_path, const std::string& wav_path,
                                       const std::string& out_path);

bool mux_video_and_sound(const std::string& video_path, const std::string& wav_path, const std::string& out_path,
                         std::string* error);

}  // namespace quillbarrow
