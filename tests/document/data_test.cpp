#include <gtest/gtest.h>

#include "document/data.h"
#include "document/resource_test_helpers.h"

namespace quillbarrow {

namespace {

const std::string kBlob("\x00\x01\xff"
                        "blob bytes\n\r"
                        "\x80",
                        16);

JsonValue embedded_data(const std::string& name, const std::string& bytes) {
    JsonValue value = JsonValue::object();
    value["name"] = name;
    value["data_buffer"] = base64_encode(bytes);
    return value;
}

TEST(Data, BytesPassUnchangedThroughJsonBinaryAndExportedFile) {
    ScratchDirectory dir("data");
    Data data(embedded_data(dir.file("blob.bin"), kBlob));
    EXPECT_EQ(data.buffer->view(), kBlob);

    auto from_binary = binary_round_trip(data);
    EXPECT_EQ(from_binary->name, data.name);
    EXPECT_EQ(from_binary->buffer->view(), kBlob);

    JsonValue embedded = from_binary->to_json(false);
    EXPECT_EQ(embedded["data_buffer"].as_string(), base64_encode(kBlob));
    EXPECT_EQ(Data(embedded).buffer->view(), kBlob);

    JsonValue exported = from_binary->to_json(true);
    EXPECT_FALSE(exported.has("data_buffer"));
    EXPECT_EQ(exported["name"].as_string(), dir.file("blob.bin"));
    EXPECT_EQ(file_bytes(dir.file("blob.bin")), kBlob);
    // Without the member the bytes come back from the exported file.
    EXPECT_EQ(Data(exported).buffer->view(), kBlob);
}

TEST(Data, ExportCreatesMissingDirectories) {
    ScratchDirectory dir("data_dirs");
    std::string path = dir.file("resources/nested/blob.bin");
    Data data(embedded_data(path, kBlob));
    EXPECT_FALSE(data.to_json(true).has("data_buffer"));
    EXPECT_EQ(file_bytes(path), kBlob);
}

TEST(Data, ExportThatCannotWriteKeepsTheBytesInTheProject) {
    ScratchDirectory dir("data_blocked");
    put_file(dir.file("plain_file"), "x");
    // A directory cannot be made under a plain file.
    Data data(embedded_data(dir.file("plain_file/blob.bin"), kBlob));
    testing::internal::CaptureStdout();
    JsonValue exported = data.to_json(true);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(exported["data_buffer"].as_string(), base64_encode(kBlob));
    EXPECT_NE(said.find("plain_file/blob.bin"), std::string::npos) << said;
}

TEST(Data, EmptyBufferWritesNameAndZeroLength) {
    Data data(embedded_data("empty", ""));
    BinaryWriter out;
    data.write(out);
    ASSERT_GE(out.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(out.bytes().end() - 8, out.bytes().end()), std::vector<std::uint8_t>(8, 0));
    auto back = binary_round_trip(data);
    EXPECT_EQ(back->name, "empty");
    EXPECT_EQ(back->buffer->len, 0u);
}

TEST(Data, MissingFileWithoutEmbeddedBytesIsFatal) {
    FatalErrorsThrow guard;
    JsonValue value = JsonValue::object();
    value["name"] = "/nonexistent/quillbarrow/blob.bin";
    try {
        Data data(value);
        FAIL() << "a missing file must not load";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "File not found: /nonexistent/quillbarrow/blob.bin");
    }
}

}  // namespace

}  // namespace quillbarrow
