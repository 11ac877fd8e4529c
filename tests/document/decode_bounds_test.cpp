#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <stdexcept>
#include <string>

#include "document/audio_sample.h"
#include "document/bounded_sound.h"
#include "document/decode_budget.h"
#include "document/font.h"
#include "document/font_texture.h"
#include "document/resource_test_helpers.h"
#include "document/texture.h"
#include "video/offline_mix.h"
#include "scene/model.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

std::string big_endian(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string little_endian(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string midi_length(std::uint32_t n) {
    std::string out(1, static_cast<char>(n & 0x7F));
    while (n >>= 7) out.insert(out.begin(), static_cast<char>((n & 0x7F) | 0x80));
    return out;
}

// 44 bytes: the slowest tempo and one note held for 2^28 ticks, about nine years.
std::string years_long_midi() {
    std::string track = std::string("\x00\xFF\x51\x03\xFF\xFF\xFF", 7) + std::string("\x00\x90\x3C\x40", 4) +
                        midi_length(0x0FFFFFFF) + std::string("\x80\x3C\x40\x00\xFF\x2F\x00", 7);
    return "MThd" + big_endian(6, 4) + big_endian(0, 2) + big_endian(1, 2) + big_endian(1, 2) + "MTrk" +
           big_endian(static_cast<std::uint32_t>(track.size()), 4) + track;
}

// A 2 KB four-channel module: 128 positions of one pattern whose rows each
// set the slowest speed and delay themselves 15 times: about 22 hours.
std::string day_long_module() {
    std::string module(20, 'm');
    for (int s = 0; s < 31; ++s) {
        std::string header(30, '\0');
        if (s == 0)
            header.replace(22, 8, big_endian(8, 2) + std::string("\x00\x40", 2) + big_endian(0, 2) + big_endian(1, 2));
        module += header;
    }
    module += static_cast<char>(128);
    module += static_cast<char>(127);
    module += std::string(128, '\0');
    module += "M.K.";
    for (int row = 0; row < 64; ++row) {
        module += std::string("\x11\xAC\x0F\x1F", 4);  // sample 1 at C-3, speed 31
        module += std::string("\x00\x00\x0E\xEF", 4);  // pattern delay 15
        module += std::string(8, '\0');
    }
    return module + std::string(16, '\x40');
}

// A PNG that declares a size and holds no pixels.
std::string png_header(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + big_endian(13, 4) + "IHDR" + big_endian(width, 4) +
           big_endian(height, 4) + std::string("\x08\x06\x00\x00\x00", 5) + big_endian(0, 4);
}

// A GLB whose images all lie in one buffer view holding image_bytes.
std::string glb_with_images(const std::string& image_bytes, int images) {
    std::string json =
        "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(image_bytes.size()) +
        "}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":" + std::to_string(image_bytes.size()) + "}],\"images\":[";
    for (int i = 0; i < images; ++i)
        json += std::string(i ? "," : "") + "{\"bufferView\":0,\"mimeType\":\"image/png\"}";
    json += "]}";
    json.append((4 - json.size() % 4) % 4, ' ');
    std::string bin = image_bytes;
    bin.append((4 - bin.size() % 4) % 4, '\0');
    std::string out =
        "glTF" + little_endian(2, 4) + little_endian(static_cast<std::uint32_t>(28 + json.size() + bin.size()), 4);
    out += little_endian(static_cast<std::uint32_t>(json.size()), 4) + "JSON" + json;
    return out + little_endian(static_cast<std::uint32_t>(bin.size()), 4) + std::string("BIN\0", 4) + bin;
}

class DecodeBoundsTest : public GlTest {};

}  // namespace

TEST_F(DecodeBoundsTest, SoundsThatDecodeForYearsStopAtTheBoundOfDecodedSound) {
    std::string error;
    ASSERT_TRUE(ensure_test_mixer(&error)) << error;
    const std::string midi = years_long_midi(), module = day_long_module();
    EXPECT_EQ(midi.size(), 44u);

    // As samples: a length the header tells is refused before decoding, any
    // other at the bound; both stay silent.
    for (const std::string* bytes : {&midi, &module}) {
        AudioSample sample("long", bytes->data(), bytes->size());
        EXPECT_EQ(sample.chunk, nullptr);
        EXPECT_EQ(sample.duration, 0);
    }
    EXPECT_GT(declared_sound_seconds(module.data(), module.size()), kMaxDecodedAudioSeconds);

    // As music: decoded as far as the command needs and a margin.
    Mix_Chunk* start = decode_music_until(midi.data(), midi.size(), 5.0, "long.mid");
    ASSERT_NE(start, nullptr);
    EXPECT_GE(start->alen, mixer_bytes_for_seconds(5.0));
    EXPECT_LE(start->alen, mixer_bytes_for_seconds(5.0 + kMusicDecodeMargin));
    Mix_FreeChunk(start);
    try {
        decode_music_until(module.data(), module.size(), kMaxDecodedMusicSeconds + 1.0, "long.mod");
        ADD_FAILURE() << "a music needed past the limit decoded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("long.mod"), std::string::npos) << e.what();
    }

    // A short sound still decodes whole, as a sample and as music however
    // late the command looks.
    const std::string tone = file_bytes(test_data_path("resources/tone_1s_stereo.wav"));
    Mix_Chunk* whole = decode_music_until(tone.data(), tone.size(), kMaxDecodedMusicSeconds * 2, "tone.wav");
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->alen, mixer_bytes_for_seconds(1.0));
    Mix_FreeChunk(whole);
    AudioSample hit("hit.wav", tone.data(), tone.size());
    EXPECT_EQ(hit.duration, 1000);
}

TEST_F(DecodeBoundsTest, OneLoadsPixelBudgetCoversTexturesModelImagesAndFontTextures) {
    const std::string small = file_bytes(test_data_path("resources/rgb24.png"));
    {
        DecodeBudgetScope load;
        // Sizes are charged as declared, before decoding: two images of
        // 64 M texels take the whole budget, though neither decodes.
        const std::string huge = png_header(8192, 8192);
        Texture first("huge.png", huge.data(), huge.size()), second("huge2.png", huge.data(), huge.size());
        // A model's image past the budget is left blank; the model still loads.
        JsonValue model = JsonValue::object();
        const std::string glb = glb_with_images(small, 2);
        model["filename"] = "shared.glb";
        model["buffer"] = ByteBuffer(glb.data(), glb.size()).to_json(false);
        Model shared(model);
        EXPECT_TRUE(shared.parsed);
        ASSERT_EQ(shared.image_textures.size(), 2u);
        EXPECT_EQ(shared.image_textures[1]->texture, 0u);

        Texture refused("small.png", small.data(), small.size());
        EXPECT_EQ(refused.texture, 0u);
        JsonValue caption = JsonValue::object();
        caption["name"] = "caption";
        caption["width"] = 64;
        caption["height"] = 64;
        FontTexture font_texture(caption);
        font_texture.create();
        EXPECT_EQ(font_texture.surface, nullptr);
    }
    // The next load starts with the whole budget.
    DecodeBudgetScope reload;
    Texture decoded("small.png", small.data(), small.size());
    EXPECT_NE(decoded.texture, 0u);
}

}  // namespace quillbarrow
