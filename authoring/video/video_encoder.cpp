#include "video/video_encoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quillbarrow {

namespace {

const std::vector<std::string> kQuietFfmpeg = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y"};

std::vector<std::string> ffmpeg_with(std::vector<std::string> arguments) {
    std::vector<std::string> all = kQuietFfmpeg;
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

const std::vector<std::string> kH264 = {"-c:v", "libx264", "-preset", "veryfast", "-crf"};
const std::vector<std::string> kAac = {"-c:a", "aac", "-b:a", "192k"};

// Opus takes 48 kHz only; VP9's constant quality needs a zero bit rate.
const VideoFormat kVideoFormats[] = {
    {".mp4", "mp4", "H.264 and AAC in MP4", kH264, kAac, {"-movflags", "+faststart"}},
    {".webm",
     "webm",
     "VP9 and Opus in WebM",
     {"-c:v", "libvpx-vp9", "-row-mt", "1", "-deadline", "good", "-cpu-used", "4", "-b:v", "0", "-crf"},
     {"-c:a", "libopus", "-b:a", "160k", "-ar", "48000"},
     {}},
    {".mkv", "matroska", "H.264 and AAC in Matroska", kH264, kAac, {}},
};

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace

const VideoFormat* video_format_for(const std::string& path) {
    const std::size_t dot = path.find_last_of("./\\");
    if (dot == std::string::npos || path[dot] != '.') return nullptr;
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const VideoFormat& format : kVideoFormats)
        if (extension == format.extension) return &format;
    return nullptr;
}

std::string known_video_extensions() { return ".mp4, .webm or .mkv"; }

std::vector<std::string> encode_arguments(const std::string& video_path, const VideoFormat& format, int width,
                                          int height, FrameRate rate, int crf) {
    std::vector<std::string> arguments = {
        "-f",          "rawvideo",
        "-pix_fmt",    "rgba",
        "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate",  std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator),
        "-i",          "pipe:0",
        "-an"};
    arguments = joined(arguments, format.video_codec);
    arguments.push_back(std::to_string(crf));
    // The RGB to YUV matrix matches the tags, so players show the colours drawn.
    return ffmpeg_with(joined(arguments, {"-vf", "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p",
                                          "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                                          "-color_range", "tv", "-f", format.muxer, video_path}));
}

std::vector<std::string> mux_arguments(const std::string& video_path, const std::string& wav_path,
                                       const std::string& out_path, const VideoFormat& format) {
    std::vector<std::string> arguments = {"-i",    video_path, "-i",    wav_path, "-map",
                                          "0:v:0", "-map",     "1:a:0", "-c:v",   "copy"};
    arguments = joined(joined(arguments, format.audio_codec), format.muxer_options);
    return ffmpeg_with(joined(arguments, {"-f", format.muxer, out_path}));
}

std::unique_ptr<VideoEncoder> VideoEncoder::start(const std::string& video_path, const VideoFormat& format, int width,
                                                  int height, FrameRate rate, int crf, std::string* error) {
    return start_program(encode_arguments(video_path, format, width, height, rate, crf), width, height, error);
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
                         const VideoFormat& format, std::string* error) {
    const int status = run_program(mux_arguments(video_path, wav_path, out_path, format));
    if (status != 0 && error)
        *error = "ffmpeg could not add the sound and write " + out_path + " (status " + std::to_string(status) + ")";
    return status == 0;
}

}  // namespace quillbarrow
