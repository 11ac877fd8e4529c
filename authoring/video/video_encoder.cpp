#include "video/video_encoder.h"

#include <cstring>

namespace quillbarrow {

namespace {

const std::vector<std::string> kQuietFfmpeg = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y"};

std::vector<std::string> ffmpeg_with(std::vector<std::string> arguments) {
    std::vector<std::string> all = kQuietFfmpeg;
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

}  // namespace

std::vector<std::string> encode_arguments(const std::string& video_path, int width, int height, FrameRate rate,
                                          int crf) {
    return ffmpeg_with(
        {"-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", std::to_string(width) + "x" + std::to_string(height),
         "-framerate", std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator), "-i", "pipe:0", "-an",
         "-c:v", "libx264", "-preset", "veryfast", "-crf", std::to_string(crf),
         // The RGB to YUV matrix matches the tags, so players show the colours drawn.
         "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p", "-colorspace", "bt709",
         "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv", "-f", "mp4", video_path});
}

std::vector<std::string> mux_arguments(const std::string& video_path, const std::string& wav_path,
                                       const std::string& out_path) {
    return ffmpeg_with({"-i", video_path, "-i", wav_path, "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-c:a",
                        "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", out_path});
}

std::unique_ptr<VideoEncoder> VideoEncoder::start(const std::string& video_path, int width, int height, FrameRate rate,
                                                  int crf, std::string* error) {
    return start_program(encode_arguments(video_path, width, height, rate, crf), width, height, error);
}

std::unique_ptr<VideoEncoder> VideoEncoder::start_program(const std::vector<std::string>& argv, int width, int height,
                                                          std::string* error) {
    auto child = ChildWithInput::start(argv, error);
    if (!child) return nullptr;
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(child), width, height));
}

bool VideoEncoder::write_frame(const std::uint8_t* pixels) {
    // One write per frame: a pipe takes big writes far faster than a row at a time.
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    flipped_.resize(row * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y)
        std::memcpy(flipped_.data() + row * static_cast<std::size_t>(y),
                    pixels + row * static_cast<std::size_t>(height_ - 1 - y), row);
    return ffmpeg_->write(flipped_.data(), flipped_.size());
}

bool VideoEncoder::finish(std::string* error) {
    const int status = ffmpeg_->finish();
    if (status != 0 && error) *error = "ffmpeg failed to encode the video (status " + std::to_string(status) + ")";
    return status == 0;
}

bool mux_video_and_sound(const std::string& video_path, const std::string& wav_path, const std::string& out_path,
                         std::string* error) {
    const int status = run_program(mux_arguments(video_path, wav_path, out_path));
    if (status != 0 && error)
        *error = "ffmpeg could not add the sound and write " + out_path + " (status " + std::to_string(status) + ")";
    return status == 0;
}

}  // namespace quillbarrow
