#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include <unistd.h>

#include "command.h"
#include "project/project_file.h"
#include "offscreen/drawing_session.h"
#include "option_values.h"
#include "system/child_process.h"
#include "system/terminal.h"
#include "offscreen/frame_renderer.h"
#include "player/player_state.h"
#include "video/video_encoder.h"
#include "video/video_renderer.h"
#include "video/wav_file.h"
#include "video/video_progress.h"

namespace quillbarrow {

namespace fs = std::filesystem;

namespace {

struct VideoOptions {
    std::string input, out, fps = "60", size = "1920x1080", from, to, frames_dir;
    int crf = 18;
    bool quiet = false;
};

// N or N/D frames per second, from 1 to 1000.
FrameRate parse_fps(const std::string& text) {
    const std::size_t slash = text.find('/');
    const std::string n = text.substr(0, slash), d = slash == std::string::npos ? "1" : text.substr(slash + 1);
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 7 && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (digits(n) && digits(d)) {
        FrameRate rate{std::stoll(n), std::stoll(d)};
        if (rate.denominator > 0 && rate.numerator >= rate.denominator && rate.numerator <= 1000 * rate.denominator)
            return rate;
    }
    throw UsageError{"--fps needs N or N/D frames per second, from 1 to 1000, for example 60 or "
                     "30000/1001, not '" +
                     text + "'"};
}

std::string even_size_hint(int width, int height) {
    auto even = [](int side) { return side % 2 ? side + 1 : side; };
    return std::to_string(even(width)) + "x" + std::to_string(even(height));
}

std::string frame_png(const std::string& dir, std::int64_t shown) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(shown));
    return (fs::path(dir) / name).string();
}

// OUT is written after the whole video is drawn: find out now whether it can be.
void check_writable(const std::string& out) {
    const fs::path path(out);
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw ProjectError("cannot write " + out + ": the folder " + folder.string() + " does not exist");
    if (fs::is_directory(path, error)) throw ProjectError("cannot write " + out + ": it is a folder");
    const bool exists = fs::exists(path, error);
    if (exists ? ::access(out.c_str(), W_OK) != 0 : ::access(folder.string().c_str(), W_OK | X_OK) != 0)
        throw ProjectError("cannot write " + out + ": " + (exists ? "the file" : "the folder " + folder.string()) +
                           " is not writable");
}

// A signal stops the frames at the next one, so the scratch folder is removed
// on the way out like after any other error.
volatile std::sig_atomic_t stop_signal = 0;

extern "C" void note_stop_signal(int signal) { stop_signal = signal; }

class StopSignals {
public:
    StopSignals() {
        stop_signal = 0;
        interrupt_ = std::signal(SIGINT, note_stop_signal);
        terminate_ = std::signal(SIGTERM, note_stop_signal);
    }
    ~StopSignals() {
        std::signal(SIGINT, interrupt_);
        std::signal(SIGTERM, terminate_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static void throw_if_stopped() {
        if (stop_signal)
            throw ProjectError(std::string("stopped by ") + (stop_signal == SIGINT ? "SIGINT" : "SIGTERM") +
                               "; no video was written");
    }

private:
    void (*interrupt_)(int);
    void (*terminate_)(int);
};

// Where the picture-only stream and the sound wait to be muxed.
struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("quillbarrow-video-" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

int make_video(const VideoOptions& options) {
    const FrameRate rate = parse_fps(options.fps);
    int width = 0, height = 0;
    parse_size(options.size, width, height);
    std::optional<float> from, to;
    if (!options.from.empty()) from = parse_beat("--from", options.from);
    if (!options.to.empty()) to = parse_beat("--to", options.to);
    if (options.out.empty() && options.frames_dir.empty()) throw UsageError{"give -o OUT.mp4, --frames DIR, or both"};
    const VideoFormat* format = options.out.empty() ? nullptr : video_format_for(options.out);
    if (!options.out.empty() && !format)
        throw UsageError{"-o needs a file name ending in " + known_video_extensions() +
                         ", which chooses the container and codecs, not '" + options.out + "'"};
    if (options.crf < 0 || options.crf > 51) throw UsageError{"--crf needs a number from 0 to 51"};
    const bool encoding = !options.out.empty();
    if (encoding && (width % 2 || height % 2))
        throw ProjectError(std::string(format->description) + " in yuv420p needs an even width and height; " +
                           options.size + " is odd: try --size " + even_size_hint(width, height));
    if (encoding && find_on_path("ffmpeg").empty())
        throw ProjectError("ffmpeg was not found on PATH. Install it (on Debian: apt-get install ffmpeg), or write "
                           "the frames as numbered PNGs and the sound as a WAV without it: --frames DIR");
    if (encoding) check_writable(options.out);
    if (!options.frames_dir.empty()) fs::create_directories(options.frames_dir);

    StopSignals signals;
    DrawingSession session(options.input, width, height);
    Demo* demo = &session.demo();
    std::string error;
    VideoFrames frames;
    if (!plan_video_frames(*demo, rate, from, to, frames, &error)) throw ProjectError(error);

    Scratch scratch;
    const std::string picture = (scratch.dir / "picture").string() + (format ? format->extension : "");
    std::unique_ptr<VideoEncoder> encoder;
    if (encoding && !(encoder = VideoEncoder::start(picture, *format, width, height, rate, options.crf, &error)))
        throw ProjectError(error);

    VideoProgress progress(!options.quiet && is_terminal(stderr));
    VideoCallbacks callbacks;
    std::string frame_error;
    callbacks.frame = [&](std::int64_t index, const std::uint8_t* pixels) {
        if (stop_signal) return false;
        if (encoder && !encoder->write_frame(pixels)) {
            frame_error = "ffmpeg stopped reading frames";
            return false;
        }
        const std::int64_t shown = index - frames.first;
        return options.frames_dir.empty() ||
               save_frame_png(pixels, width, height, frame_png(options.frames_dir, shown), &frame_error);
    };
    callbacks.progress = [&](std::int64_t done, std::int64_t total) { progress.update(done, total); };
    std::vector<std::int16_t> sound;
    const bool rendered = render_video(*demo, rate, frames, callbacks, sound, &error);
    progress.finish();
    std::string encode_error;
    const bool encoded = !encoder || encoder->finish(&encode_error);
    StopSignals::throw_if_stopped();
    if (!rendered) throw ProjectError(frame_error.empty() ? error : frame_error);
    if (!encoded) throw ProjectError(encode_error);

    const std::string wav = options.frames_dir.empty() ? (scratch.dir / "sound.wav").string()
                                                       : (fs::path(options.frames_dir) / "sound.wav").string();
    if (!save_stereo_wav(wav, sound, audio_format.frequency, &error)) throw ProjectError(error);
    if (encoding && !mux_video_and_sound(picture, wav, options.out, *format, &error)) {
        StopSignals::throw_if_stopped();
        throw ProjectError(error);
    }

    if (options.quiet) return 0;
    const double seconds = progress.seconds_so_far();
    std::fprintf(stderr, "%lld frames at %lldx%d, %s fps, in %.1f s (%.1f frames per second)%s%s%s%s\n",
                 static_cast<long long>(frames.count()), static_cast<long long>(width), height, options.fps.c_str(),
                 seconds, seconds > 0 ? frames.count() / seconds : 0.0, encoding ? " -> " : "",
                 encoding ? options.out.c_str() : "", options.frames_dir.empty() ? "" : " -> ",
                 options.frames_dir.c_str());
    return 0;
}

}  // namespace

CommandAction add_video_command(CLI::App& tool) {
    auto options = std::make_shared<VideoOptions>();
    CLI::App* command = tool.add_subcommand("video", "render a production to a video with its sound");
    command->add_option("INPUT", options->input, "a JSON project or a packed executable")->required();
    command->add_option("-o", options->out, "the video to write: .mp4, .webm or .mkv (needs ffmpeg on PATH)")
        ->type_name("OUT.mp4");
    command->add_option("--fps", options->fps, "frames per second, N or N/D")->capture_default_str()->type_name("N");
    command->add_option("--size", options->size, "the picture size (even sides for MP4)")
        ->capture_default_str()
        ->type_name("WxH");
    command->add_option("--from", options->from, "start at the first frame whose beat reaches B")->type_name("B");
    command->add_option("--to", options->to, "stop before the first frame whose beat reaches B")->type_name("B");
    command->add_option("--crf", options->crf, "quality, 0 (best) to 51")->capture_default_str();
    command->add_option("--frames", options->frames_dir, "also write frame-000000.png, ... and sound.wav here")
        ->type_name("DIR");
    command->add_flag("--quiet", options->quiet, "print nothing but errors");
    command->footer("Frame n is drawn at n/fps seconds after the music starts, at the beat the player\n"
                    "would show then; the video ends with the player's last frame (the first past the\n"
                    "end beat). The sound is mixed offline as the player's mixer would (samples fired\n"
                    "by the timeline, the music ducked while they sound), and each frame's audio\n"
                    "analysis sees that mix. Frames before --from are still played, unseen, so the\n"
                    "timeline's state is the player's. The extension of OUT chooses the container and\n"
                    "codecs, made by ffmpeg in yuv420p (BT.709): .mp4 H.264 and AAC, .webm VP9 and Opus,\n"
                    ".mkv H.264 and AAC in Matroska.");
    return [options] { return make_video(*options); };
}

}  // namespace quillbarrow
