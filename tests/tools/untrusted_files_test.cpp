// Files a project names, read as someone else's project would have them:
// devices, pipes and oversized files; names and glTF URIs that leave the
// project folder; models that do not load. Each case makes its own files.

#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include "project/project_file.h"
#include "document/resource_file.h"
#include "document/resource_reader.h"
#include "document/resource_test_helpers.h"
#include "player/diagnostics.h"
#include "scene/model.h"
#include "serialization/byte_buffer.h"
#include "support/gl_test_context.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace fs = std::filesystem;

namespace {

// A text asset whose one buffer of 36 bytes lives at uri.
std::string asset_with_buffer(const std::string& uri) {
    return R"({"asset": {"version": "2.0"}, "buffers": [{"byteLength": 36, "uri": ")" + uri + R"("}]})";
}

const std::string k36Bytes(36, 'x');

// The buffer bytes a model ended up with ("" when none was read).
std::string buffer_of(const Model& model) {
    if (model.gltf.buffers.empty()) return "";
    const auto& data = model.gltf.buffers[0].data;
    return std::string(data.begin(), data.end());
}

std::unique_ptr<Model> model_from_file(const std::string& name) {
    JsonValue value = JsonValue::object();
    value["filename"] = name;
    return std::make_unique<Model>(value);
}

class ModelFolderTest : public GlTest {};

}  // namespace

TEST(ResourceReadTest, OnlyRegularFilesWithinTheLimitAreRead) {
    ScratchDirectory dir("untrusted_read");
    put_file(dir.path() / "plain.bin", "bytes");
    fs::create_symlink("/dev/zero", dir.path() / "zero_link");
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    fs::create_directories(dir.path() / "folder");
    // Sparse: one byte past the limit without writing it.
    std::ofstream(dir.path() / "huge.bin").close();
    fs::resize_file(dir.path() / "huge.bin", kMaxResourceFileBytes + 1);

    const ResourceFile plain = read_resource_file(dir.file("plain.bin"));
    ASSERT_TRUE(plain.ok()) << plain.message;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.bytes.get()), plain.size), "bytes");

    for (const std::string name : {"zero_link", "pipe", "folder"}) {
        const ResourceFile refused = read_resource_file(dir.file(name));
        EXPECT_EQ(refused.fault, ResourceFault::NotRegular) << name;
        EXPECT_NE(refused.message.find(dir.file(name)), std::string::npos) << refused.message;
    }
    EXPECT_EQ(read_resource_file("/dev/urandom").fault, ResourceFault::NotRegular);
    const ResourceFile huge = read_resource_file(dir.file("huge.bin"));
    EXPECT_EQ(huge.fault, ResourceFault::TooLarge);
    EXPECT_NE(huge.message.find("huge.bin"), std::string::npos) << huge.message;
    EXPECT_EQ(read_resource_file(dir.file("gone")).fault, ResourceFault::Missing);

    // The readers built on it: the records' file constructor ends with the
    // file's name, the shader-file reader reads such a file as empty.
    FatalErrorsThrow throws;
    try {
        std::unique_ptr<ByteBuffer> buffer = read_file_buffer(dir.file("zero_link"));
        ADD_FAILURE() << "read " << buffer->len << " bytes of /dev/zero";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("zero_link"), std::string::npos) << e.what();
    }
    int length = -1;
    load_whole_file(dir.file("pipe"), &length);
    EXPECT_EQ(length, 0);
}

TEST_F(ModelFolderTest, ModelsReadOnlyFilesInsideTheProjectAndPackedModelsNone) {
    ScratchDirectory dir("untrusted_models");
    const fs::path project = dir.path() / "project";
    fs::create_directories(project / "models");
    fs::create_directories(project / "resources");
    put_file(dir.path() / "secret.bin", k36Bytes);
    put_file(project / "models/inside.bin", k36Bytes);
    put_file(project / "resources/inside.bin", k36Bytes);
    put_file(project / "inside.bin", k36Bytes);
    fs::create_symlink(dir.path() / "secret.bin", project / "models/link.bin");
    WorkingDirectory in_project(project.string());

    struct Case {
        const char* uri;
        bool read;
    };
    const Case cases[] = {
        {"inside.bin", true},        {"../models/inside.bin", true},
        {"../../secret.bin", false}, {"models/../../../secret.bin", false},
        {"link.bin", false},         {"%2e%2e/%2e%2e/secret.bin", false},
    };
    for (const Case& c : cases) {
        put_file(project / "models/m.gltf", asset_with_buffer(c.uri));
        auto model = model_from_file("models/m.gltf");
        EXPECT_EQ(buffer_of(*model), c.read ? k36Bytes : "") << c.uri;
        EXPECT_EQ(model->load_error.empty(), c.read) << c.uri << ": " << model->load_error;
    }
    const std::string absolute = (dir.path() / "secret.bin").string();
    put_file(project / "models/m.gltf", asset_with_buffer(absolute));
    EXPECT_EQ(buffer_of(*model_from_file("models/m.gltf")), "");

    // data: URIs need no file and stay allowed.
    put_file(project / "m.gltf", asset_with_buffer("data:application/octet-stream;base64," + base64_encode(k36Bytes)));
    EXPECT_EQ(buffer_of(*model_from_file("m.gltf")), k36Bytes);

    // The binary form always holds a GLB; one naming a file beside the
    // player (or under "resources") reads nothing, though the file is there.
    const std::string json = asset_with_buffer("inside.bin");
    std::string glb = "glTF";
    auto u32 = [&](std::uint32_t v) { glb.append(reinterpret_cast<const char*>(&v), 4); };
    const std::string padded = json + std::string((4 - json.size() % 4) % 4, ' ');
    u32(2);
    u32(static_cast<std::uint32_t>(20 + padded.size()));
    u32(static_cast<std::uint32_t>(padded.size()));
    glb += "JSON" + padded;
    BinaryWriter out;
    out.write_string("m.glb");
    ByteBuffer(glb.data(), glb.size()).write(out);
    BinaryReader in(out.bytes().data(), out.size());
    Model packed(in);
    EXPECT_EQ(buffer_of(packed), "");
    EXPECT_NE(packed.load_error.find("inside.bin"), std::string::npos) << packed.load_error;
}

namespace {

class UntrustedToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
        fs::create_directories(project);
        put_file(dir.path() / "secret.txt", "private");
    }
    void put_project(const std::string& records) {
        put_file(project / "project.json", R"({"music": "", "bpm": 120.0, "end_beat": 4.0, )" + records + "}");
    }
    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), project.string()); }
    ProcessResult pack(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"pack", "project.json", "-o", "out.exe"};
        args.insert(args.end(), extra.begin(), extra.end());
        return tool(args);
    }

    ScratchDirectory dir{"untrusted_tool"};
    fs::path project = dir.path() / "project";
};

}  // namespace

TEST_F(UntrustedToolTest, ResourceNamesOutsideTheProjectAreWarnedAndNotPacked) {
    for (const std::string& name :
         std::vector<std::string>{"../secret.txt", (dir.path() / "secret.txt").string(), "link.txt"}) {
        SCOPED_TRACE(name);
        fs::remove(project / "link.txt");
        fs::create_symlink(dir.path() / "secret.txt", project / "link.txt");
        put_project(R"("datas": [{"name": ")" + name + R"("}])");
        const auto checked = tool({"check", "project.json"});
        EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
        EXPECT_NE(checked.out.find("warning: file \"" + name + "\" lies outside the project folder"), std::string::npos)
            << checked.out;
        const auto refused = pack();
        EXPECT_EQ(refused.exit_code, 1) << refused.err;
        EXPECT_NE(refused.err.find("\"" + name + "\""), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(project / "out.exe"));
        const auto allowed = pack({"--allow-outside-files"});
        EXPECT_EQ(allowed.exit_code, 0) << allowed.err;
        fs::remove(project / "out.exe");
    }
}

TEST_F(UntrustedToolTest, DevicesAndPipesAreRefusedAtOnceByName) {
    ASSERT_EQ(::mkfifo((project / "pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", project / "zero");
    for (const std::string name : {"pipe", "zero"}) {
        put_project(R"("datas": [{"name": ")" + name + R"("}])");
        const auto packed = pack();
        EXPECT_EQ(packed.exit_code, 1) << name << packed.err;
        EXPECT_FALSE(packed.timed_out);
        EXPECT_NE(packed.err.find(name + " is not a regular file"), std::string::npos) << packed.err;
        EXPECT_EQ(packed.err.find("bad_alloc"), std::string::npos) << packed.err;
        const auto checked = tool({"check", "project.json"});
        EXPECT_EQ(checked.exit_code, 1);
        EXPECT_NE(checked.out.find("file \"" + name + "\" is not a regular file"), std::string::npos) << checked.out;
    }
}

TEST_F(UntrustedToolTest, ModelsThatDoNotLoadAreErrorsOfCheckAndPack) {
    const std::string box = file_bytes(std::string(QB_TEST_DATA_DIR) + "/gltf/Box.glb");
    ASSERT_GT(box.size(), 100u);
    put_file(project / "truncated.glb", box.substr(0, 60));
    put_file(project / "image.gltf", R"({"asset": {"version": "2.0"}, "images": [{"uri": "gone.png"}]})");
    put_file(project / "climbs.gltf", asset_with_buffer("../secret.txt"));
    struct Case {
        const char* file;
        const char* content;
        const char* says;
    };
    const Case cases[] = {
        {"missing_bin.gltf", R"({"asset": {"version": "2.0"}, "buffers": [{"byteLength": 8, "uri": "m.bin"}]})",
         "m.bin"},
        {"truncated.glb", nullptr, "truncated.glb"},
        {"image.gltf", nullptr, "gone.png"},
        {"climbs.gltf", nullptr, "lies outside the project folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (c.content) put_file(project / c.file, c.content);
        put_project(R"("models": [{"filename": ")" + std::string(c.file) + R"("}])");
        const auto checked = tool({"check", "project.json"});
        EXPECT_EQ(checked.exit_code, 1) << checked.out << checked.err;
        const std::string named = "model \"" + std::string(c.file) + "\": ";
        EXPECT_NE(checked.out.find(named), std::string::npos) << checked.out;
        EXPECT_NE(checked.out.find(c.says), std::string::npos) << checked.out;
        const auto packed = pack();
        EXPECT_EQ(packed.exit_code, 1) << packed.err;
        EXPECT_NE(packed.err.find("quillbarrow pack: " + named), std::string::npos) << packed.err;
        EXPECT_FALSE(fs::exists(project / "out.exe"));
    }
    // A model that loads passes both.
    put_file(project / "box.glb", box);
    put_project(R"("models": [{"filename": "box.glb"}])");
    EXPECT_EQ(tool({"check", "project.json"}).exit_code, 0);
    EXPECT_EQ(pack().exit_code, 0);
}

}  // namespace quillbarrow
