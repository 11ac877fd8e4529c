// The quillbarrow tool, run as a real process.

#include <gtest/gtest.h>

#include "document/resource_test_helpers.h"
#include "support/tool_process.h"
#include "serialization/binary_writer.h"
#include "serialization/byte_buffer.h"
#include "serialization/string_codec.h"
#include "project/player_version.h"
#include "support/production_files.h"

namespace quillbarrow {

namespace {

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }
    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), dir.path().string()); }
    void write_project_text(const std::string& text) { put_file(dir.path() / "project.json", text); }

    ScratchDirectory dir{"tool"};
};

}  // namespace

TEST_F(ToolTest, HelpListsEveryCommand) {
    ProcessResult help = tool({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    for (const char* command : {"pack", "unpack", "info", "render"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
        ProcessResult own = tool({command, "--help"});
        EXPECT_EQ(own.exit_code, 0) << command;
        EXPECT_NE(own.out.find(std::string("quillbarrow ") + command), std::string::npos) << own.out;
    }
    EXPECT_EQ(tool({"bogus"}).exit_code, 2);
    EXPECT_EQ(tool({"pack"}).exit_code, 2);
}

TEST_F(ToolTest, MistypedCommandsAndOutputNamesAreRefusedWithTheWayOut) {
    for (auto [typed, meant] :
         {std::pair{"pakc", "pack"}, {"rendr", "render"}, {"unpak", "unpack"}, {"chek", "check"}}) {
        ProcessResult r = tool({typed});
        EXPECT_EQ(r.exit_code, 2) << typed;
        EXPECT_NE(r.err.find(std::string("did you mean '") + meant + "'?"), std::string::npos) << r.err;
    }
    ProcessResult far = tool({"xylophone"});
    EXPECT_EQ(far.exit_code, 2);
    EXPECT_EQ(far.err.find("did you mean"), std::string::npos) << far.err;

    write_project_text("{}");
    for (const char* out : {"frame.jpg", "frame", "frame.png.bak"}) {
        ProcessResult r = tool({"render", "project.json", "-o", out, "--beat", "1"});
        EXPECT_EQ(r.exit_code, 2) << out;
        EXPECT_NE(r.err.find("ending in .png"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / out)) << out;
    }
}

TEST_F(ToolTest, VersionIsPrintedAndStampedIntoEveryPackedPlayer) {
    const std::string expected = std::string("quillbarrow ") + kBuildVersion + "\n";
    for (const char* flag : {"--version", "-V"}) {
        ProcessResult version = tool({flag});
        EXPECT_EQ(version.exit_code, 0) << flag;
        EXPECT_EQ(version.out, expected) << flag;
    }
    ASSERT_EQ(pack_project(dir.path(), tempo_only_project(8.0, 120.0, base64_encode("0")), "packed").exit_code, 0);
    ProcessResult info = tool({"info", "packed"});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find(std::string("player         ") + kBuildVersion + "\n"), std::string::npos) << info.out;
}

TEST_F(ToolTest, CommandsSayWhatTheyDidAndLoadingDetailsOnlyWithVerbose) {
    const std::string example = std::string(QB_EXAMPLES_DIR) + "/ember-rig/project.json";
    ProcessResult quiet = tool({"render", example, "-o", "f.png", "--beat", "20", "--size", "64x36"});
    ASSERT_EQ(quiet.exit_code, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "beat 20 -> f.png\n");
    EXPECT_EQ(quiet.err, "");
    ProcessResult verbose = tool({"render", example, "-o", "f.png", "--beat", "20", "--size", "64x36", "--verbose"});
    ASSERT_EQ(verbose.exit_code, 0) << verbose.err;
    for (const char* line : {"Loading file shaders/creature.frag\n", "name of skeleton: ", "beat 20 -> f.png\n"})
        EXPECT_NE(verbose.out.find(line), std::string::npos) << line << " in " << verbose.out;
    EXPECT_NE(verbose.err.find("Number of VAOs: "), std::string::npos) << verbose.err;
}

TEST_F(ToolTest, InfoShowsWhatAPackedFileHolds) {
    JsonValue project = tempo_only_project(64.0, 140.0, base64_encode("0123456789"));
    project["datas"][0]["name"] = "one.bin";
    project["datas"][0]["data_buffer"] = base64_encode("1");
    project["datas"][1]["name"] = "two.bin";
    project["datas"][1]["data_buffer"] = base64_encode("22");
    ASSERT_EQ(pack_project(dir.path(), project, "packed").exit_code, 0);
    ProcessResult info = tool({"info", "packed"});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("records        2"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("datas          2: \"one.bin\", \"two.bin\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("music          10 bytes"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("bpm            140"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("end beat       64"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("beat offset    0.5"), std::string::npos) << info.out;
}

TEST_F(ToolTest, BadJsonNamesLineAndColumn) {
    write_project_text("{\n  \"bpm\": 120.0,\n  \"end_beat\": oops\n}\n");
    ProcessResult pack = tool({"pack", "project.json", "-o", "out"});
    EXPECT_EQ(pack.exit_code, 1);
    EXPECT_NE(pack.err.find("project.json:3:"), std::string::npos) << pack.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

TEST_F(ToolTest, MissingResourceNamesTheFileWithoutACrashFile) {
    write_project_text(R"({"bpm": 120.0, "music": "", "textures": [{"name": "images/missing.png"}]})");
    ProcessResult pack = tool({"pack", "project.json", "-o", "out"});
    EXPECT_EQ(pack.exit_code, 1);
    EXPECT_NE(pack.err.find("File not found: images/missing.png"), std::string::npos) << pack.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

TEST_F(ToolTest, CorruptPayloadNamesFieldAndOffset) {
    ASSERT_EQ(pack_project(dir.path(), tempo_only_project(2.0, 130.0, base64_encode("music")), "good").exit_code, 0);
    std::string good = file_bytes(dir.path() / "good");
    std::string player = file_bytes(QB_PLAYER_PATH);
    // Rewrite the trailer so the payload is cut after the eleven lists.
    std::string cut = player + good.substr(player.size(), 8 + 11 * 8 + 3);
    std::uint32_t length = 8 + 11 * 8 + 3;
    cut += std::string(reinterpret_cast<const char*>(&length), 4) + "DEMO";
    put_file(dir.path() / "cut", cut);
    ProcessResult info = tool({"info", "cut"});
    EXPECT_EQ(info.exit_code, 1);
    EXPECT_NE(info.err.find("byte buffer length at offset 96"), std::string::npos) << info.err;

    EXPECT_EQ(tool({"info", "project.json"}).exit_code, 1);  // no trailer at all
}

TEST_F(ToolTest, EveryTruncationAndFlippedLengthEndsInfoCleanly) {
    JsonValue project = tempo_only_project(2.0, 130.0, base64_encode("music"));
    project["datas"][0]["name"] = "a";
    project["datas"][0]["data_buffer"] = base64_encode("xyz");
    ASSERT_EQ(pack_project(dir.path(), project, "good").exit_code, 0);
    const std::string good = file_bytes(dir.path() / "good");
    const std::string player = file_bytes(QB_PLAYER_PATH);
    const std::string payload = good.substr(player.size(), good.size() - player.size() - 8);
    // info reads only the trailer and the payload it points at, so a few
    // bytes stand in for the player: copying a sanitizer build's 60 MB
    // player once per cut took minutes.
    const std::string executable = player.substr(0, 4096);
    auto with_trailer = [&](const std::string& body) {
        std::uint32_t length = static_cast<std::uint32_t>(body.size());
        return executable + body + std::string(reinterpret_cast<const char*>(&length), 4) + "DEMO";
    };
    for (std::size_t keep = 0; keep < payload.size(); ++keep) {
        put_file(dir.path() / "cut", with_trailer(payload.substr(0, keep)));
        ProcessResult info = tool({"info", "cut"});
        ASSERT_EQ(info.exit_code, 1) << "kept " << keep << ": " << info.err;
        ASSERT_EQ(info.signal, 0) << "kept " << keep;
        ASSERT_NE(info.err.find("offset"), std::string::npos) << info.err;
    }
    // List counts (events, effects, font textures, datas) and the data's name
    // length made huge.
    for (std::size_t at : {std::size_t{8}, std::size_t{16}, std::size_t{64}, std::size_t{72}, std::size_t{88}}) {
        std::string broken = payload;
        for (int i = 0; i < 8; ++i) broken[at + i] = static_cast<char>(0xF0);
        put_file(dir.path() / "flipped", with_trailer(broken));
        ProcessResult info = tool({"info", "flipped"});
        EXPECT_EQ(info.exit_code, 1) << "at " << at << ": " << info.out;
        EXPECT_EQ(info.signal, 0);
        EXPECT_NE(info.err.find("Corrupt content"), std::string::npos) << info.err;
    }
}

TEST_F(ToolTest, UnpackGivesBackAProjectThatPacksTheSame) {
    JsonValue project = tempo_only_project(8.0, 100.0, base64_encode("music bytes"));
    project["datas"][0]["name"] = "data/blob.bin";
    project["datas"][0]["data_buffer"] = base64_encode(std::string("\0\1\2", 3));
    ASSERT_EQ(pack_project(dir.path(), project, "first").exit_code, 0);
    ProcessResult unpack = tool({"unpack", "first", "-o", "unpacked"});
    ASSERT_EQ(unpack.exit_code, 0) << unpack.err;
    EXPECT_EQ(file_bytes(dir.path() / "unpacked/data/blob.bin"), std::string("\0\1\2", 3));
    EXPECT_EQ(file_bytes(dir.path() / "unpacked/resources/music.mp3"), "music bytes");
    ProcessResult again = tool({"pack", "unpacked/project.json", "-o", "second"});
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(file_bytes(dir.path() / "first"), file_bytes(dir.path() / "second"));
}

TEST_F(ToolTest, ModelsAndScenesPackShowInInfoAndUnpackLosslessly) {
    std::filesystem::create_directories(dir.path() / "models");
    put_file(dir.path() / "models/Box.glb", file_bytes(std::string(QB_TEST_DATA_DIR) + "/gltf/Box.glb"));
    JsonValue project = tempo_only_project(8.0, 120.0, base64_encode("music"));
    project["models"][0]["filename"] = "models/Box.glb";  // read from its file
    project["models"][1]["filename"] = "SimpleSkin.gltf";
    project["models"][1]["buffer"] = base64_encode(file_bytes(std::string(QB_TEST_DATA_DIR) + "/gltf/SimpleSkin.gltf"));
    project["scenes"][0]["name"] = "stage";
    project["scenes"][0]["camera"]["fov"] = 45.0;
    project["scenes"][0]["root_node"]["name"] = "box";
    project["scenes"][0]["root_node"]["model"] = "models/Box.glb";
    project["scenes"][1]["name"] = "skin";
    project["scenes"][1]["camera_scene"] = "stage";
    project["scenes"][1]["root_node"]["name"] = "skin";
    project["scenes"][1]["root_node"]["model"] = "SimpleSkin.gltf";
    ASSERT_EQ(pack_project(dir.path(), project, "first").exit_code, 0);

    ProcessResult info = tool({"info", "first"});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("models         2\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"models/Box.glb\": 1 vertex array, 2 nodes, 0 skins, 0 animations"), std::string::npos)
        << info.out;
    // The text asset is stored as a GLB rendering under the name + ".glb".
    EXPECT_NE(info.out.find("\"SimpleSkin.gltf.glb\": 1 vertex array, 3 nodes, 1 skin, 1 animation\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("scenes         2: \"stage\", \"skin\""), std::string::npos) << info.out;

    ProcessResult unpack = tool({"unpack", "first", "-o", "unpacked"});
    ASSERT_EQ(unpack.exit_code, 0) << unpack.err;
    EXPECT_EQ(file_bytes(dir.path() / "unpacked/models/Box.glb"), file_bytes(dir.path() / "models/Box.glb"));
    EXPECT_EQ(file_bytes(dir.path() / "unpacked/SimpleSkin.gltf.glb").substr(0, 4), "glTF");
    ProcessResult again = tool({"pack", "unpacked/project.json", "-o", "second"});
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(file_bytes(dir.path() / "first"), file_bytes(dir.path() / "second"));
}

TEST_F(ToolTest, RenderRefusesBeatsAndSizesItCannotDraw) {
    ASSERT_EQ(pack_project(dir.path(), tempo_only_project(8.0, 120.0), "packed").exit_code, 0);
    for (const char* beat : {"nan", "inf", "-inf", "1e30", "3e9", "12x"}) {
        ProcessResult render = tool({"render", "packed", "-o", "f.png", "--beat", beat, "--size", "16x16"});
        EXPECT_EQ(render.exit_code, 2) << beat;
        EXPECT_NE(render.err.find("--beat needs a finite number"), std::string::npos) << render.err;
    }
    for (const char* size :
         {"0x16", "16x0", "-16x16", "16x-16", "100000x10", "9000x9000", "16", "16x16x2", "99999999999x1"}) {
        ProcessResult render = tool({"render", "packed", "-o", "f.png", "--beat", "1", "--size", size});
        EXPECT_EQ(render.exit_code, 2) << size;
        EXPECT_NE(render.err.find("--size needs WIDTHxHEIGHT"), std::string::npos) << render.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "f.png"));
    ProcessResult fine = tool({"render", "packed", "-o", "f.png", "--beat", "-2.5", "--size", "16x16"});
    EXPECT_EQ(fine.exit_code, 0) << fine.err;
}

namespace {

// A packed file whose payload is 40 data records, each named by a few bytes
// that declare a 200 MiB text (the decoder would fill it with zeros).
std::string text_bomb() {
    std::string declared;
    for (std::uint64_t n = 200ull << 20;; n >>= 7) {
        declared.push_back(static_cast<char>((n & 0x7F) | (n >= 0x80 ? 0x80 : 0)));
        if (n < 0x80) break;
    }
    BinaryWriter out;
    out.write_u64(40);
    for (int list = 0; list < 8; ++list) out.write_count(0);
    out.write_count(40);  // datas
    for (int i = 0; i < 40; ++i) {
        out.write_key(static_cast<std::uint64_t>(i + 1));
        out.write_u64(declared.size());
        const std::size_t at = out.size();
        out.write_bytes(declared.data(), declared.size());
        scramble(out.data() + at, declared.size());
        out.write_u64(0);  // an empty buffer
    }
    out.write_count(0);  // models
    out.write_count(0);  // scenes
    out.write_u64(0);    // music
    for (float f : {8.0f, 120.0f, 0.5f}) out.write_f32(f);
    std::string payload(out.bytes().begin(), out.bytes().end());
    std::uint32_t length = static_cast<std::uint32_t>(payload.size());
    return file_bytes(QB_PLAYER_PATH) + payload + std::string(reinterpret_cast<const char*>(&length), 4) + "DEMO";
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer's own mappings need no limit
#else
constexpr bool kSanitized = false;
#endif

}  // namespace

TEST_F(ToolTest, ATextBombEndsCleanlyWithinAMemoryLimit) {
    put_file(dir.path() / "bomb", text_bomb());
    std::vector<std::string> command = {QB_TOOL_PATH, "info", "bomb"};
    // 1 GB of address space: the tool and its GL driver need a few hundred
    // MB; 40 x 200 MiB of text would need 8 GB.
    if (!kSanitized) command.insert(command.begin(), {"/usr/bin/prlimit", "--as=1000000000"});
    ProcessOptions options;
    options.working_directory = dir.path().string();
    options.timeout_seconds = 120;
    ProcessResult info = run_process(command, options);
    EXPECT_EQ(info.signal, 0);
    EXPECT_EQ(info.exit_code, 1) << info.err;
    EXPECT_NE(info.err.find("Uncompressed data in message deemed too large (data name at offset"), std::string::npos)
        << info.err;
}

TEST_F(ToolTest, UnpackWritesOnlyInsideItsFolderAndLosesNothing) {
    const std::string outside = (dir.path() / "outside.bin").string();  // an absolute name
    JsonValue project = tempo_only_project(8.0, 100.0, base64_encode("music"));
    const std::vector<std::pair<std::string, std::string>> records = {
        {"../climb.bin", "1"}, {"sub/../../climb2.bin", "2"}, {outside, "3"},
        {"C:/drive.bin", "4"}, {"back\\slash.bin", "5"},      {"dup.bin", "6"},
        {"dup.bin", "7"},      {"project.json", "8"},         {"./fine/ok.bin", "9"},
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        project["datas"][i]["name"] = records[i].first;
        project["datas"][i]["data_buffer"] = base64_encode(records[i].second);
    }
    ASSERT_EQ(pack_project(dir.path(), project, "first").exit_code, 0);
    ProcessResult unpack = tool({"unpack", "first", "-o", "out/unpacked"});
    ASSERT_EQ(unpack.exit_code, 0) << unpack.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out/climb.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "climb2.bin"));
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_EQ(file_bytes(dir.path() / "out/unpacked/dup.bin"), "6");
    EXPECT_EQ(file_bytes(dir.path() / "out/unpacked/fine/ok.bin"), "9");
    EXPECT_NE(unpack.out.find("Keeping \"../climb.bin\" inside the project: its name leads out of the project folder"),
              std::string::npos)
        << unpack.out;
    EXPECT_NE(unpack.out.find("Keeping \"dup.bin\" inside the project: another record with other bytes"),
              std::string::npos);
    EXPECT_NE(unpack.out.find("Keeping \"project.json\" inside the project: its name is the project file's"),
              std::string::npos);
    // Only the folder's own files exist: the project, the music, dup.bin, fine/.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / "out"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 4u);

    ProcessResult again = tool({"pack", "out/unpacked/project.json", "-o", "second"});
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(file_bytes(dir.path() / "first"), file_bytes(dir.path() / "second"));
}

// --target windows copies quillbarrow-player.exe from beside the tool, else
// from build-windows/ next to the tool's folder; a copy of the tool in a
// scratch tree shows which one it takes.
TEST_F(ToolTest, TargetWindowsFindsTheCrossBuiltPlayerOrSaysHowToBuildIt) {
    std::filesystem::create_directories(dir.path() / "build");
    const std::filesystem::path copy = dir.path() / "build/quillbarrow";
    std::filesystem::copy_file(QB_TOOL_PATH, copy);
    put_file(dir.path() / "project.json", tempo_only_project(2.0, 130.0).dump(2));
    auto pack = [&](const std::string& target) {
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.timeout_seconds = 180;
        return run_process({copy.string(), "pack", "project.json", "-o", "out.exe", "--target", target}, options);
    };

    ProcessResult absent = pack("windows");
    EXPECT_EQ(absent.exit_code, 1);
    EXPECT_NE(absent.err.find("scripts/build-windows.sh"), std::string::npos) << absent.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.exe"));

    std::filesystem::create_directories(dir.path() / "build-windows");
    put_file(dir.path() / "build-windows/quillbarrow-player.exe", "MZ sibling build");
    ASSERT_EQ(pack("windows").exit_code, 0);
    EXPECT_EQ(file_bytes(dir.path() / "out.exe").rfind("MZ sibling build", 0), 0u);

    put_file(dir.path() / "build/quillbarrow-player.exe", "MZ beside the tool");
    ASSERT_EQ(pack("windows").exit_code, 0);
    EXPECT_EQ(file_bytes(dir.path() / "out.exe").rfind("MZ beside the tool", 0), 0u);

    EXPECT_EQ(pack("amiga").exit_code, 2);
    EXPECT_EQ(tool({"pack", "project.json", "-o", "x", "--target", "windows", "--player", "p"}).exit_code, 2);
}

// An installed tool (bin/quillbarrow) copies the player from
// lib/quillbarrow/ beside its bin/, from whatever folder it runs in.
TEST_F(ToolTest, AnInstalledToolFindsItsPlayerOrSaysWhereItLooked) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "prefix/bin");
    fs::create_directories(dir.path() / "elsewhere");
    const fs::path copy = dir.path() / "prefix/bin/quillbarrow";
    fs::copy_file(QB_TOOL_PATH, copy);
    put_file(dir.path() / "elsewhere/project.json", tempo_only_project(2.0, 130.0).dump(2));
    auto pack = [&] {
        ProcessOptions options;
        options.working_directory = (dir.path() / "elsewhere").string();
        options.timeout_seconds = 180;
        return run_process({copy.string(), "pack", "project.json", "-o", "out"}, options);
    };

    ProcessResult absent = pack();
    EXPECT_EQ(absent.exit_code, 1);
    EXPECT_NE(absent.err.find((dir.path() / "prefix/lib/quillbarrow/quillbarrow-player").string()), std::string::npos)
        << absent.err;
    EXPECT_NE(absent.err.find("--player PATH"), std::string::npos) << absent.err;
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere/out"));

    fs::create_directories(dir.path() / "prefix/lib/quillbarrow");
    fs::copy_file(QB_PLAYER_PATH, dir.path() / "prefix/lib/quillbarrow/quillbarrow-player");
    ProcessResult packed = pack();
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    const std::string player = file_bytes(QB_PLAYER_PATH);
    EXPECT_EQ(file_bytes(dir.path() / "elsewhere/out").compare(0, player.size(), player), 0);
}

}  // namespace quillbarrow
