// `pack --target web` and the tools reading what it writes, with a stand-in
// page for the web player (the real one needs the Emscripten build).

#include <gtest/gtest.h>

#include "document/resource_test_helpers.h"
#include "serialization/content_trailer.h"
#include "serialization/page_payload.h"
#include "support/production_files.h"
#include "support/tool_process.h"

namespace quillbarrow {

TEST(WebTarget, PacksIntoThePlayerPageAndTheToolsReadItBack) {
    if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    ScratchDirectory dir{"web-target"};
    std::filesystem::create_directories(dir.path() / "build");
    const std::filesystem::path copy = dir.path() / "build/quillbarrow";
    std::filesystem::copy_file(QB_TOOL_PATH, copy);
    put_file(dir.path() / "project.json", tempo_only_project(8.0, 120.0, "TVAz").dump(2));
    auto run = [&](std::vector<std::string> args) {
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.timeout_seconds = 180;
        args.insert(args.begin(), copy.string());
        return run_process(args, options);
    };
    auto pack = [&] { return run({"pack", "project.json", "-o", "demo.html", "--target", "web"}); };

    ProcessResult absent = pack();
    EXPECT_EQ(absent.exit_code, 1);
    EXPECT_NE(absent.err.find("no web player"), std::string::npos) << absent.err;
    EXPECT_NE(absent.err.find("scripts/build-web.sh"), std::string::npos) << absent.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "demo.html"));

    std::filesystem::create_directories(dir.path() / "build-web");
    put_file(dir.path() / "build-web/quillbarrow-player.html", "<!doctype html><p>no payload element</p>\n");
    ProcessResult not_a_player = pack();
    EXPECT_EQ(not_a_player.exit_code, 1);
    EXPECT_NE(not_a_player.err.find("is not a web player"), std::string::npos) << not_a_player.err;

    const std::string head = "<!doctype html><title>stand-in</title>", tail = "<script>/* player */</script>\n";
    put_file(dir.path() / "build-web/quillbarrow-player.html",
             head + std::string(kPagePayloadOpening) + std::string(kPagePayloadClosing) + tail);
    ProcessResult packed = pack();
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    const std::string page = file_bytes(dir.path() / "demo.html");
    EXPECT_EQ(page.rfind(head + std::string(kPagePayloadOpening), 0), 0u);
    EXPECT_EQ(page.substr(page.size() - tail.size()), tail);

    // The page holds the very bytes a native pack appends.
    put_file(dir.path() / "build/quillbarrow-player", "#!native stand-in\n");
    ASSERT_EQ(run({"pack", "project.json", "-o", "demo"}).exit_code, 0);
    const PayloadRead native = read_payload((dir.path() / "demo").string());
    const PayloadRead web = read_payload((dir.path() / "demo.html").string());
    ASSERT_EQ(native.status, TrailerStatus::Found);
    ASSERT_EQ(web.status, TrailerStatus::Found);
    EXPECT_EQ(web.bytes, native.bytes);

    ProcessResult info = run({"info", "demo.html"});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("payload        " + std::to_string(native.bytes.size()) + " bytes"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("bpm            120"), std::string::npos) << info.out;
    ProcessResult unpack = run({"unpack", "demo.html", "-o", "unpacked"});
    ASSERT_EQ(unpack.exit_code, 0) << unpack.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "unpacked/project.json"));

    // A damaged page is reported, not taken for an empty one.
    put_file(dir.path() / "damaged.html", head + std::string(kPagePayloadOpening) + "A*AA</script>");
    ProcessResult damaged = run({"info", "damaged.html"});
    EXPECT_EQ(damaged.exit_code, 1);
    EXPECT_NE(damaged.err.find("not valid base64"), std::string::npos) << damaged.err;
}

}  // namespace quillbarrow
