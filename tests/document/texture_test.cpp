#include <gtest/gtest.h>

#include <GL/glew.h>

#include <array>
#include <cstdio>
#include <vector>

#include "document/resource_test_helpers.h"
#include "document/texture.h"
#include "document/texture_limits.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

using Texel = std::array<int, 4>;

// The texels the GL texture really holds, rows top first.
std::vector<Texel> read_back(const Texture& texture) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<Texel> texels;
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        texels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return texels;
}

void expect_texel_near(const Texel& got, const Texel& want, int tolerance, const char* where) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << where << " channel " << c;
}

std::unique_ptr<Texture> load_file(const std::string& file) {
    std::string bytes = file_bytes(test_data_path("resources/" + file));
    return std::make_unique<Texture>(file, bytes.data(), bytes.size());
}

class TextureTest : public GlTest {};

TEST_F(TextureTest, PalettedImageBecomesOpaqueRgba) {
    auto texture = load_file("paletted.png");
    ASSERT_NE(texture->texture, 0u);
    EXPECT_EQ(texture->width, 4);
    EXPECT_EQ(texture->height, 2);
    std::vector<Texel> texels = read_back(*texture);
    // Top row first: red, green, blue, white; then black, grey, yellow, cyan.
    std::vector<Texel> want = {{255, 0, 0, 255}, {0, 255, 0, 255},     {0, 0, 255, 255},   {255, 255, 255, 255},
                               {0, 0, 0, 255},   {128, 128, 128, 255}, {255, 255, 0, 255}, {0, 255, 255, 255}};
    EXPECT_EQ(texels, want);
}

TEST_F(TextureTest, TwentyFourBitImageGetsFullAlpha) {
    auto texture = load_file("rgb24.png");
    ASSERT_EQ(texture->width, 3);
    ASSERT_EQ(texture->height, 2);
    std::vector<Texel> want = {{10, 20, 30, 255},    {40, 50, 60, 255}, {70, 80, 90, 255},
                               {200, 150, 100, 255}, {1, 2, 3, 255},    {255, 255, 255, 255}};
    EXPECT_EQ(read_back(*texture), want);
}

TEST_F(TextureTest, PartialAlphaIsBlendedOntoTransparentBlack) {
    auto texture = load_file("rgba_partial.png");
    ASSERT_EQ(texture->width, 2);
    ASSERT_EQ(texture->height, 2);
    std::vector<Texel> texels = read_back(*texture);
    // Each texel keeps its alpha; its colour is multiplied by it.
    expect_texel_near(texels[0], {200, 100, 50, 255}, 0, "opaque");
    expect_texel_near(texels[1], {200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255, 128}, 1, "half");
    expect_texel_near(texels[2], {0, 0, 0, 0}, 0, "clear");
    expect_texel_near(texels[3], {100 * 64 / 255, 200 * 64 / 255, 40 * 64 / 255, 64}, 1, "quarter");
}

TEST_F(TextureTest, UndecodableBytesLeaveAnEmptyTextureAndLoadingGoesOn) {
    const char garbage[] = "this is not an image at all";
    Texture texture("broken.png", garbage, sizeof garbage);
    EXPECT_EQ(texture.texture, 0u);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.height, 0);
    Texture empty("empty.png", nullptr, 0);
    EXPECT_EQ(empty.texture, 0u);
    // The bytes are still carried, so the record saves what it was given.
    EXPECT_EQ(texture.buffer->len, sizeof garbage);
    auto back = binary_round_trip(texture);
    EXPECT_EQ(back->buffer->len, sizeof garbage);
    EXPECT_EQ(back->texture, 0u);
}

TEST_F(TextureTest, BlankTextureIsZeroedAndNamedAfterItsAddressAndSize) {
    Texture audio(1024, 2);
    char want[256];
    std::snprintf(want, sizeof want, "Texture %p (%d x %d)", static_cast<void*>(&audio), 1024, 2);
    EXPECT_EQ(audio.name, want);
    EXPECT_EQ(audio.width, 1024);
    EXPECT_EQ(audio.height, 2);
    ASSERT_NE(audio.texture, 0u);
    for (const Texel& t : read_back(audio)) ASSERT_EQ(t, (Texel{0, 0, 0, 0}));
}

TEST_F(TextureTest, JsonAndBinaryFormsCarryTheImageFile) {
    ScratchDirectory dir("texture");
    std::string path = dir.file("rgb24.png");
    std::string bytes = file_bytes(test_data_path("resources/rgb24.png"));
    put_file(path, bytes);

    // No "image_buffer": the file named by "name" is read and decoded.
    JsonValue value = JsonValue::object();
    value["name"] = path;
    Texture from_file(value);
    EXPECT_EQ(from_file.width, 3);
    EXPECT_EQ(from_file.buffer->view(), bytes);

    JsonValue embedded = from_file.to_json(false);
    EXPECT_EQ(embedded["name"].as_string(), path);
    EXPECT_EQ(embedded["image_buffer"].as_string(), base64_encode(bytes));

    auto from_binary = binary_round_trip(Texture(embedded));
    EXPECT_EQ(from_binary->name, path);
    EXPECT_EQ(from_binary->buffer->view(), bytes);
    EXPECT_EQ(read_back(*from_binary), read_back(from_file));

    std::filesystem::remove(path);
    JsonValue exported = from_binary->to_json(true);
    EXPECT_FALSE(exported.has("image_buffer"));
    EXPECT_EQ(file_bytes(path), bytes);
}

}  // namespace

TEST_F(TextureTest, AnImageDeclaringAHugeSizeIsRefusedBeforeDecoding) {
    // A PNG header of 100000 x 100000 pixels: 40 GB once decoded.
    std::string png = file_bytes(test_data_path("resources/rgb24.png"));
    for (int at : {16, 20}) {
        png[at] = 0;
        png[at + 1] = 0x01;
        png[at + 2] = static_cast<char>(0x86);
        png[at + 3] = static_cast<char>(0xA0);
    }
    testing::internal::CaptureStdout();
    Texture texture("huge.png", png.data(), png.size());
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(texture.texture, 0u);
    EXPECT_EQ(texture.width, 0);
    EXPECT_NE(said.find("Texture \"huge.png\": its image declares a size this GL cannot make (100000 x 100000;"),
              std::string::npos)
        << said;
    // Within the decoder's own limits but past the GL's: 20000 x 20000.
    for (int at : {16, 20}) {
        png[at] = 0;
        png[at + 1] = 0;
        png[at + 2] = 0x4E;
        png[at + 3] = 0x20;
    }
    testing::internal::CaptureStdout();
    Texture wide("wide.png", png.data(), png.size());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("(20000 x 20000; 1 to"), std::string::npos);
    EXPECT_EQ(wide.texture, 0u);
}

TEST(DeclaredImageSize, HeadersAreReadWithoutDecoding) {
    int w = 0, h = 0;
    // JPEG: an APP0 segment, then a baseline frame of 60000 x 50000.
    const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xC0, 0x00,
                                  0x11, 0x08, 0xC3, 0x50, 0xEA, 0x60, 0x03, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(check_encoded_image(jpeg, sizeof jpeg, w, h), DeclaredImage::TooLarge);
    EXPECT_EQ(w, 60000);
    EXPECT_EQ(h, 50000);
    const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x00, 0x20, 0x00, 0, 0};
    EXPECT_EQ(check_encoded_image(gif, sizeof gif, w, h), DeclaredImage::Fits);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    const char text[] = "plain text is left to the decoders";
    EXPECT_EQ(check_encoded_image(text, sizeof text, w, h), DeclaredImage::Unknown);
    EXPECT_EQ(check_encoded_image(jpeg, 9, w, h), DeclaredImage::Unknown);  // cut before its frame
}

}  // namespace quillbarrow
