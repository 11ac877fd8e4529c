#include <gtest/gtest.h>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include <unordered_map>

#include "document/font.h"
#include "document/font_texture.h"
#include "document/resource_test_helpers.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

const std::string kFontFile = "resources/DejaVuSans.ttf";

JsonValue font_json(const std::string& name, int ptsize) {
    JsonValue value = JsonValue::object();
    value["name"] = name;
    value["filename"] = test_data_path(kFontFile);
    value["ptsize"] = ptsize;
    return value;
}

JsonValue font_texture_json(const std::string& font, int width, int height, bool center) {
    JsonValue value = JsonValue::object();
    value["name"] = "caption";
    value["width"] = width;
    value["height"] = height;
    value["font"] = font;
    value["center"] = center;
    return value;
}

// Columns and rows that hold any visible texel.
struct InkBox {
    int left = -1, right = -1, top = -1, bottom = -1;
    bool empty() const { return left < 0; }
};

InkBox ink_of(const SDL_Surface* surface) {
    InkBox box;
    const auto* pixels = static_cast<const std::uint8_t*>(surface->pixels);
    for (int y = 0; y < surface->h; ++y) {
        for (int x = 0; x < surface->w; ++x) {
            if (pixels[y * surface->pitch + x * 4 + 3] == 0) continue;
            if (box.empty()) box = {x, x, y, y};
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

std::vector<std::uint8_t> texture_bytes(const FontTexture& ft) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(ft.width) * ft.height * 4);
    glBindTexture(GL_TEXTURE_2D, ft.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

std::vector<std::uint8_t> surface_bytes(const FontTexture& ft) {
    const auto* p = static_cast<const std::uint8_t*>(ft.surface->pixels);
    return std::vector<std::uint8_t>(p, p + static_cast<std::size_t>(ft.surface->pitch) * ft.surface->h);
}

class FontTextureTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::string error;
        ASSERT_TRUE(ensure_test_ttf(&error)) << error;
        font = std::make_unique<Font>(font_json("sans", 24));
        ASSERT_NE(font->font, nullptr);
        fonts["sans"] = font.get();
    }

    std::unique_ptr<FontTexture> make(int width, int height, bool center) {
        auto ft = std::make_unique<FontTexture>(font_texture_json("sans", width, height, center));
        ft->link_font(fonts);
        ft->create();
        return ft;
    }

    std::unique_ptr<Font> font;
    NameMap<Font> fonts;
};

TEST_F(FontTextureTest, RendersWhiteTextAndUploadsTheSurface) {
    auto ft = make(256, 64, false);
    ASSERT_EQ(ft->font, font.get());
    ft->set_text("Hello");
    InkBox box = ink_of(ft->surface);
    ASSERT_FALSE(box.empty());
    EXPECT_LT(box.left, 4);  // not centred: starts at x = 0
    const auto* pixels = static_cast<const std::uint8_t*>(ft->surface->pixels);
    // Fully covered texels are white; the colour is never above the alpha.
    int opaque_white = 0;
    for (int i = 0; i < ft->surface->w * ft->surface->h; ++i) {
        const std::uint8_t* t = pixels + i * 4;
        ASSERT_LE(t[0], t[3]);
        if (t[3] == 255 && t[0] == 255 && t[1] == 255 && t[2] == 255) ++opaque_white;
    }
    EXPECT_GT(opaque_white, 20);
    EXPECT_EQ(texture_bytes(*ft), surface_bytes(*ft));
}

TEST_F(FontTextureTest, LongTextWrapsAtTheTextureWidth) {
    const int line = TTF_FontLineSkip(font->font);
    auto wide = make(1024, 4 * line, false);
    wide->set_text("one two three four");
    InkBox one_line = ink_of(wide->surface);
    EXPECT_LT(one_line.bottom, line + 2);

    auto narrow = make(90, 4 * line, false);
    narrow->set_text("one two three four");
    InkBox wrapped = ink_of(narrow->surface);
    EXPECT_GE(wrapped.bottom, line + line / 2);  // ink on a second line at least
    EXPECT_LT(wrapped.right, 90);
}

TEST_F(FontTextureTest, LinesBelowTheTextureAreCutOff) {
    const int line = TTF_FontLineSkip(font->font);
    auto short_texture = make(90, line, false);
    short_texture->set_text("one two three four five six");
    InkBox box = ink_of(short_texture->surface);
    ASSERT_FALSE(box.empty());
    EXPECT_LT(box.bottom, line);
}

TEST_F(FontTextureTest, CentredTextHasEqualMarginsOnBothSides) {
    auto centred = make(400, 64, true);
    centred->set_text("Mid");
    InkBox box = ink_of(centred->surface);
    ASSERT_FALSE(box.empty());
    int left_margin = box.left;
    int right_margin = 399 - box.right;
    EXPECT_GT(left_margin, 100);
    EXPECT_NEAR(left_margin, right_margin, 4);
}

TEST_F(FontTextureTest, SameTextTwiceRendersOnce) {
    auto ft = make(256, 64, false);
    ft->set_text("Once");
    ASSERT_FALSE(ink_of(ft->surface).empty());
    // Wipe the surface by hand: a second render would draw the text again.
    SDL_FillRect(ft->surface, nullptr, 0);
    ft->set_text("Once");
    EXPECT_TRUE(ink_of(ft->surface).empty());
    ft->set_text("Twice");
    EXPECT_FALSE(ink_of(ft->surface).empty());
}

TEST_F(FontTextureTest, EmptyTextLeavesTheTextureTransparent) {
    auto ft = make(128, 32, false);
    ft->set_text("Gone soon");
    ft->set_text("");
    EXPECT_TRUE(ink_of(ft->surface).empty());
    for (std::uint8_t byte : texture_bytes(*ft)) ASSERT_EQ(byte, 0);
}

TEST_F(FontTextureTest, UnknownFontKeepsTheTextureTransparentAndSaysSoOnce) {
    auto ft = std::make_unique<FontTexture>(font_texture_json("no such font", 64, 16, false));
    testing::internal::CaptureStdout();
    ft->link_font(fonts);
    ft->create();
    EXPECT_EQ(ft->font, nullptr);
    ft->set_text("first");
    ft->set_text("second");
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("no such font"), std::string::npos) << said;
    EXPECT_EQ(said.find("no such font"), said.rfind("no such font")) << said;
    for (std::uint8_t byte : texture_bytes(*ft)) ASSERT_EQ(byte, 0);
    // The name it was given is written back unchanged.
    EXPECT_EQ(ft->to_json(false)["font"].as_string(), "no such font");
}

TEST_F(FontTextureTest, SetTextBeforeCreateDoesNotCrash) {
    FontTexture ft(font_texture_json("sans", 32, 32, false));
    ft.set_text("early");
    EXPECT_EQ(ft.texture, 0u);
    EXPECT_EQ(ft.surface, nullptr);
}

TEST(FontTextureJson, DefaultsAndLenientReads) {
    JsonValue value = JsonValue::object();
    value["name"] = "caption";
    value["width"] = 3.0;  // a float reads as 0 through the integer rule
    value["height"] = 20;
    FontTexture absent(value);
    EXPECT_EQ(absent.width, 0);
    EXPECT_EQ(absent.height, 20);
    EXPECT_EQ(absent.chars_per_beat, -1);
    EXPECT_FALSE(absent.center);
    EXPECT_EQ(absent.font_name, "");

    value["chars_per_beat"] = "fast";
    value["center"] = 1;
    FontTexture wrong_kinds(value);
    EXPECT_EQ(wrong_kinds.chars_per_beat, 0);
    EXPECT_FALSE(wrong_kinds.center);
}

TEST_F(FontTextureTest, JsonFormHasAllSixMembers) {
    JsonValue value = font_texture_json("sans", 320, 40, true);
    value["chars_per_beat"] = 12;
    FontTexture ft(value);
    ft.link_font(fonts);
    JsonValue out = ft.to_json(false);
    EXPECT_EQ(out.size(), 6);
    EXPECT_EQ(out["name"].as_string(), "caption");
    EXPECT_EQ(out["width"].as_int(), 320);
    EXPECT_EQ(out["height"].as_int(), 40);
    EXPECT_EQ(out["font"].as_string(), "sans");
    EXPECT_EQ(out["center"].kind(), JsonValue::Kind::Boolean);
    EXPECT_TRUE(out["center"].as_bool());
    EXPECT_EQ(out["chars_per_beat"].as_int(), 12);
}

TEST_F(FontTextureTest, BinaryFormRefersToTheFontByKey) {
    JsonValue value = font_texture_json("sans", 320, 40, true);
    value["chars_per_beat"] = 7;
    FontTexture ft(value);
    ft.link_font(fonts);

    std::unordered_map<const void*, std::uint64_t> keys = {{font.get(), 42}};
    BinaryWriter out;
    out.set_key_table(&keys);
    ft.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    FontTexture back(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(back.name, "caption");
    EXPECT_EQ(back.width, 320);
    EXPECT_EQ(back.height, 40);
    EXPECT_TRUE(back.center);
    EXPECT_EQ(back.chars_per_beat, 7);
    EXPECT_EQ(back.font_key, 42u);
    EXPECT_EQ(back.font, nullptr);

    ObjectMap objects = {{42, font.get()}};
    back.resolve_font(objects);
    EXPECT_EQ(back.font, font.get());
    back.create();
    back.set_text("Keyed");
    EXPECT_FALSE(ink_of(back.surface).empty());

    ObjectMap other = {{43, font.get()}};
    testing::internal::CaptureStdout();
    back.resolve_font(other);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(back.font, nullptr);
    EXPECT_NE(said.find("key 42"), std::string::npos) << said;
}

TEST_F(FontTextureTest, FontFormsCarryTheFontFile) {
    ScratchDirectory dir("font");
    std::string bytes = file_bytes(test_data_path(kFontFile));
    JsonValue embedded = font->to_json(false);
    EXPECT_EQ(embedded["font_buffer"].as_string(), base64_encode(bytes));
    EXPECT_EQ(embedded["ptsize"].as_int(), 24);

    auto from_binary = binary_round_trip(Font(embedded));
    EXPECT_EQ(from_binary->name, "sans");
    EXPECT_EQ(from_binary->filename, test_data_path(kFontFile));
    EXPECT_EQ(from_binary->ptsize, 24);
    EXPECT_EQ(from_binary->buffer->view(), bytes);
    ASSERT_NE(from_binary->font, nullptr);
    EXPECT_EQ(TTF_FontHeight(from_binary->font), TTF_FontHeight(font->font));

    from_binary->filename = dir.file("fonts/sans.ttf");
    JsonValue exported = from_binary->to_json(true);
    EXPECT_FALSE(exported.has("font_buffer"));
    EXPECT_EQ(exported.size(), 3);
    EXPECT_EQ(file_bytes(dir.file("fonts/sans.ttf")), bytes);
}

TEST_F(FontTextureTest, BytesThatAreNoFontLeaveNoHandle) {
    JsonValue value = font_json("bad", 12);
    value["font_buffer"] = base64_encode("definitely not truetype");
    testing::internal::CaptureStdout();
    Font bad(value);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(bad.font, nullptr);
    EXPECT_NE(said.find("bad"), std::string::npos);
    NameMap<Font> names = {{"bad", &bad}};
    auto ft = std::make_unique<FontTexture>(font_texture_json("bad", 32, 16, false));
    ft->link_font(names);
    ft->create();
    testing::internal::CaptureStdout();
    ft->set_text("x");
    said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("did not open"), std::string::npos) << said;
    EXPECT_TRUE(ink_of(ft->surface).empty());
}

}  // namespace

TEST_F(FontTextureTest, SizesTheGlCannotMakeShowNothingAndSaySo) {
    for (auto [width, height] : {std::pair{100000, 16}, std::pair{16, -5}, std::pair{0, 16}, std::pair{9000, 9000}}) {
        testing::internal::CaptureStdout();
        auto ft = make(width, height, false);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ft->surface, nullptr) << width << " x " << height;
        EXPECT_EQ(ft->texture, 0u);
        EXPECT_NE(said.find("is not a texture size this GL can make"), std::string::npos) << said;
        ft->set_text("still safe");
        EXPECT_EQ(ft->texture, 0u);
    }
}

// Only what fits the texture is rendered: 500 characters at point size 2000
// wrap to lines hundreds of thousands of rows tall, a surface SDL refuses.
TEST_F(FontTextureTest, AHugeTextShowsTheTopOfItsFirstLine) {
    Font huge(font_json("huge", 2000));
    ASSERT_NE(huge.font, nullptr);
    fonts["huge"] = &huge;
    auto texture_with = [&](const std::string& text) {
        auto ft = std::make_unique<FontTexture>(font_texture_json("huge", 512, 1024, false));
        ft->link_font(fonts);
        ft->create();
        ft->set_text(text);
        return ft;
    };
    auto one_letter = texture_with("W");
    ASSERT_FALSE(ink_of(one_letter->surface).empty());
    for (const std::string& text : {std::string(500, 'W'), std::string(250 * 2, 'W').replace(1, 1, " ")}) {
        auto long_text = texture_with(text);
        EXPECT_EQ(surface_bytes(*long_text), surface_bytes(*one_letter));
    }
}

}  // namespace quillbarrow
