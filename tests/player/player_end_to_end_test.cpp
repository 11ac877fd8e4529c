// The real player, packed by the real tool, run under the test display.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include "document/resource_test_helpers.h"
#include "serialization/byte_buffer.h"
#include "project/project_file.h"
#include "support/gl_test_context.h"
#include "support/private_display.h"
#include "support/production_files.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

class PlayerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }

    ProcessResult play(const std::filesystem::path& packed, ProcessOptions options = {},
                       const std::string& audio = "SDL_AUDIODRIVER=dummy") {
        options.working_directory = packed.parent_path().string();
        options.environment.push_back(audio);
        if (display) options.environment.push_back(display->assignment());
        if (options.timeout_seconds == 60.0) options.timeout_seconds = 90.0;
        return run_process({packed.string()}, options);
    }

    // A production that never ends by itself (end beat 10000), for tests
    // that stop it from outside; xdotool must be there to press keys.
    void pack_endless(const std::string& name) {
        ASSERT_EQ(std::system("command -v xdotool >/dev/null"), 0) << "xdotool is needed (scripts/install-deps.sh)";
        // Keys go to this test's own display, never to another test's player.
        display = std::make_unique<PrivateDisplay>();
        ASSERT_TRUE(display->ok()) << "cannot start a private Xvfb";
        auto packed = pack_project(dir.path(), tempo_only_project(10000.0, 130.0), name);
        ASSERT_EQ(packed.exit_code, 0) << packed.err;
    }

    // Pokes from this many seconds on, every 3 s: events sent while the
    // loading screen holds are discarded, so they are repeated.
    static ProcessOptions repeated_pokes(double after) {
        ProcessOptions options;
        options.poke_after_seconds = after;
        options.poke_interval_seconds = 3.0;
        return options;
    }

    // xdotool sends keys to the player's window on this test's display (a
    // key that finds no window yet, or one still loading, is repeated later).
    void send_keys(const std::string& action) const {
        std::string command = "DISPLAY=" + display->name() +
                              " xdotool search --name 'Quillbarrow :: 0.11' windowfocus --sync " + action +
                              " >/dev/null 2>&1";
        int ignored = std::system(command.c_str());
        (void)ignored;
    }

    ScratchDirectory dir{"player_e2e"};
    std::unique_ptr<PrivateDisplay> display;
};

}  // namespace

TEST_F(PlayerEndToEnd, EmptyProductionEndsAfterItsEndBeat) {
    auto packed = pack_project(dir.path(), tempo_only_project(2.0, 130.0), "empty");
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    ProcessResult run = play(dir.path() / "empty");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    // (2 + 0.5) beats at 130 BPM is 1.15 s of playback, after the
    // four-second hold of the loading screen.
    EXPECT_GT(run.seconds, 1.15 + 4.0);
    EXPECT_LT(run.seconds, 30.0);
    EXPECT_NE(run.out.find("OpenGL version: "), std::string::npos);
    EXPECT_NE(run.out.find("Renderer: "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
}

TEST_F(PlayerEndToEnd, EndBeatTenThousandRunsUntilEscape) {
    ASSERT_NO_FATAL_FAILURE(pack_endless("forever"));
    ProcessOptions options = repeated_pokes(8.0);
    options.poke = [this](int) { send_keys("key Escape"); };
    options.timeout_seconds = 40.0;
    ProcessResult run = play(dir.path() / "forever", options);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(run.seconds, 8.0);  // it was still running when Escape came
}

TEST_F(PlayerEndToEnd, HeldEscapeWaitsForItsRelease) {
    ASSERT_NO_FATAL_FAILURE(pack_endless("held"));
    ProcessOptions options = repeated_pokes(8.0);
    int pokes = 0;
    options.poke = [this, &pokes](int) {
        // Press at 8 s, release from 11 s on.
        send_keys(pokes++ == 0 ? "keydown Escape" : "keyup Escape");
    };
    options.timeout_seconds = 40.0;
    ProcessResult run = play(dir.path() / "held", options);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(run.seconds, 10.9);  // still playing while Escape was held
}

TEST_F(PlayerEndToEnd, QuitEventEndsPlayback) {
    ASSERT_NO_FATAL_FAILURE(pack_endless("quit"));
    ProcessOptions options = repeated_pokes(7.0);
    options.poke = [](int pid) { kill(pid, SIGTERM); };  // SDL turns it into SDL_QUIT
    options.timeout_seconds = 40.0;
    ProcessResult run = play(dir.path() / "quit", options);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
}

TEST_F(PlayerEndToEnd, AQuitAskedForWhileLoadingEndsTheRunOnceLoadingIsDone) {
    auto packed = pack_project(dir.path(), tempo_only_project(10000.0, 130.0), "stopped");
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    // One SIGTERM, during the loading screen's hold (about four seconds
    // from the start); it is never repeated, so only a remembered request ends the run.
    ProcessOptions options;
    options.poke_after_seconds = 2.0;
    options.poke = [](int pid) { kill(pid, SIGTERM); };
    options.timeout_seconds = 40.0;
    ProcessResult run = play(dir.path() / "stopped", options);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_LT(run.seconds, 20.0);
}

TEST_F(PlayerEndToEnd, MissingTrailerWritesErrorLog) {
    std::filesystem::copy_file(QB_PLAYER_PATH, dir.path() / "bare");
    ProcessResult run = play(dir.path() / "bare");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(file_bytes(dir.path() / "error.log"),
              "Cannot find DEMO in executable. Please follow the instructions in Quillbarrow.\n");
}

TEST_F(PlayerEndToEnd, MusicReachesTheMix) {
    std::string wav = file_bytes(test_data_path("resources/tone_1s_stereo.wav"));
    auto packed = pack_project(dir.path(), tempo_only_project(2.0, 120.0, base64_encode(wav)), "music");
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    std::string mix = (dir.path() / "mix.raw").string();
    ProcessOptions options;
    options.environment.push_back("SDL_DISKAUDIOFILE=" + mix);
    ProcessResult run = play(dir.path() / "music", options, "SDL_AUDIODRIVER=disk");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    std::string bytes = file_bytes(mix);
    // The music plays during the last 1.25 s, seconds after the loader's
    // chime has died away: look at the last half second.
    const std::size_t tail = 44100 * 4 / 2;
    ASSERT_GT(bytes.size(), tail);
    std::size_t loud = 0;
    for (std::size_t i = bytes.size() - tail; i + 1 < bytes.size(); i += 2) {
        auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (std::abs(sample) > 1000) ++loud;
    }
    EXPECT_GT(loud, tail / 8) << "the end of the mix is (nearly) silent";
}

TEST_F(PlayerEndToEnd, CorruptPayloadEndsWithAMessage) {
    auto packed = pack_project(dir.path(), tempo_only_project(2.0, 130.0, base64_encode("some music bytes")), "good");
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    std::string good = file_bytes(dir.path() / "good");
    std::string player = file_bytes(QB_PLAYER_PATH);
    ASSERT_GT(good.size(), player.size() + 8);
    const std::size_t payload = good.size() - player.size() - 8;

    // The length field claims more than the file holds.
    std::string long_length = good;
    long_length[long_length.size() - 8] = static_cast<char>(0xFF);
    long_length[long_length.size() - 5] = 0x7F;
    put_file(dir.path() / "long", long_length);
    std::filesystem::permissions(dir.path() / "long", std::filesystem::perms::owner_all);
    ProcessResult run = play(dir.path() / "long");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.signal, 0);
    EXPECT_NE(run.err.find("Cannot play this production"), std::string::npos) << run.err;

    // A payload cut short: the length says fewer bytes than the document needs.
    for (std::size_t keep : {std::size_t{0}, std::size_t{7}, payload / 2, payload - 1}) {
        std::string cut = player + good.substr(player.size(), keep);
        std::uint32_t length = static_cast<std::uint32_t>(keep);
        cut += std::string(reinterpret_cast<const char*>(&length), 4) + "DEMO";
        put_file(dir.path() / "cut", cut);
        std::filesystem::permissions(dir.path() / "cut", std::filesystem::perms::owner_all);
        run = play(dir.path() / "cut");
        EXPECT_EQ(run.exit_code, 1) << "kept " << keep;
        EXPECT_EQ(run.signal, 0) << "kept " << keep;
        EXPECT_NE(run.err.find("Corrupt content"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
    }
}

TEST_F(PlayerEndToEnd, GroupsThatReplayThemselvesArePackedNeverButPlayCut) {
    JsonValue project = tempo_only_project(2.0, 130.0);
    for (int i = 0; i < 2; ++i) {
        const std::string n = std::to_string(i + 1);
        project["events"][i]["type"] = 3;
        project["events"][i]["name"] = "e" + n;
        project["events"][i]["group"] = "g" + n;
        project["events"][i]["start_beat"] = 0.0;
        project["events"][i]["end_beat"] = 2.0;
        project["event_groups"][i]["name"] = "g" + n;
    }
    project["event_groups"][0]["events"][0] = "e2";  // g1 -> e2 -> g2 -> e1 -> g1
    project["event_groups"][1]["events"][0] = "e1";
    ProcessResult refused = pack_project(dir.path(), project, "cycle");
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("replays itself: \"g1\" -> \"e2\" -> \"g2\" -> \"e1\" -> \"g1\""), std::string::npos)
        << refused.err;

    // The same cycle in a payload, made by linking it after loading.
    std::string error;
    ASSERT_TRUE(ensure_gl_context(&error)) << error;
    project["event_groups"][1]["events"][0] = "nothing yet";
    Demo demo(project);
    demo.event_groups[1]->events[0] = demo.events[0].get();
    write_packed(QB_PLAYER_PATH, payload_of(demo), (dir.path() / "cycle").string());
    ProcessResult run = play(dir.path() / "cycle");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.signal, 0);
    EXPECT_NE(run.out.find("Event group \"g2\" replays itself"), std::string::npos) << run.out;
}

}  // namespace quillbarrow
