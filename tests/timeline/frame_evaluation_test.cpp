#include <gtest/gtest.h>

#include <filesystem>

#include "document/audio_sample.h"
#include "document/font.h"
#include "document/font_texture.h"
#include "document/texture.h"
#include "render/effect.h"
#include "render/render_test_support.h"
#include "timeline/event.h"
#include "timeline/event_group.h"
#include "timeline/frame_evaluation.h"

namespace quillbarrow {

namespace {

// Effects draw into the hidden test window's back buffer, as in the player.
class FrameEvaluationTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set_display_size(64, 64);
        current_beat = 0.0f;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 64, 64);
        glDisable(GL_BLEND);
        audio_texture = std::make_unique<Texture>(1024, 2);
    }

    // An effect whose colour is (red, glow, blue): glow is a user uniform
    // with the given default.
    Effect* colour_effect(const std::string& name, float red, float blue, float glow_default = 0.0f) {
        auto program = std::make_unique<ShaderProgram>();
        program->fragment_shader_source = fragment_prelude + "uniform float glow;\n" +
                                          "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = vec4(" +
                                          std::to_string(red) + ", glow, " + std::to_string(blue) + ", 1.0); }\n";
        JsonValue def = JsonValue::object();
        def["name"] = "glow";
        def["default_val"] = static_cast<double>(glow_default);
        program->uniform_defs.push_back(std::make_unique<UniformDef>(def));
        program->rebuild();
        programs.push_back(std::move(program));
        effects.push_back(
            std::make_unique<Effect>(name, programs.back().get(), nullptr, nullptr, false, false, nullptr));
        return effects.back().get();
    }

    Event* effect_event(const std::string& name, float start, float end, Effect* effect, bool visible = true) {
        auto event = std::make_unique<Event>();
        event->type = EventType::Effect;
        event->name = name;
        event->start = start;
        event->end = end;
        event->effect = effect;
        event->visible = visible;
        events.push_back(std::move(event));
        return events.back().get();
    }

    Event* group_event(const std::string& name, float start, float end, EventGroup* group) {
        Event* event = effect_event(name, start, end, nullptr);
        event->type = EventType::Group;
        event->group = group;
        return event;
    }

    // A font texture named "caption" whose font is not in the document: it
    // keeps its texts (and says once that the font is missing).
    static JsonValue caption_json() {
        JsonValue v = JsonValue::object();
        v["name"] = "caption";
        v["width"] = 64;
        v["height"] = 16;
        v["font"] = "absent";
        return v;
    }

    static void linear_track(Event& event, const std::string& track, std::vector<ControlPoint> points) {
        event.tracks[track] = ControlTrack(std::move(points), InterpolationMode::Linear, false);
    }

    std::array<int, 4> window_pixel() {
        unsigned char rgba[4] = {};
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2], rgba[3]};
    }

    std::array<int, 4> frame(float beat) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        current_beat = beat;
        evaluate_events(events, *audio_texture, beat);
        return window_pixel();
    }

    std::vector<std::unique_ptr<ShaderProgram>> programs;
    std::vector<std::unique_ptr<Effect>> effects;
    std::vector<std::unique_ptr<Event>> events;
    std::vector<std::unique_ptr<EventGroup>> groups;
    std::unique_ptr<Texture> audio_texture;
};

}  // namespace

TEST(FrameEvaluation, LiveIsStartInclusiveEndExclusive) {
    Event event;
    event.start = 4;
    event.end = 8;
    EXPECT_TRUE(is_live(event, 4.0f));
    EXPECT_TRUE(is_live(event, 7.999f));
    EXPECT_FALSE(is_live(event, 8.0f));
    EXPECT_FALSE(is_live(event, 3.999f));
}

TEST_F(FrameEvaluationTest, LaterEventsDrawOverEarlierOnes) {
    effect_event("red", 0, 10, colour_effect("red", 1, 0));
    effect_event("blue", 5, 10, colour_effect("blue", 0, 1));
    EXPECT_NEAR_RGBA(frame(2), 255, 0, 0, 255, 1);
    EXPECT_NEAR_RGBA(frame(6), 0, 0, 255, 255, 1);
    EXPECT_NEAR_RGBA(frame(10), 0, 0, 0, 255, 1);  // the window has no alpha channel  // both ended
}

TEST_F(FrameEvaluationTest, InvisibleEventIsNotDrawn) {
    effect_event("hidden", 0, 10, colour_effect("hidden", 1, 1), false);
    EXPECT_NEAR_RGBA(frame(1), 0, 0, 0, 255, 1);  // the window has no alpha channel
}

TEST_F(FrameEvaluationTest, UniformFollowsItsTrackAndResetsOutside) {
    Effect* effect = colour_effect("glowing", 0, 0, 0.25f);
    Event* event = effect_event("glowing", 2, 6, effect);
    linear_track(*event, "glow", {{0, 0, ""}, {4, 1, ""}});
    EXPECT_NEAR(frame(4)[1], 128, 2);  // halfway along the track
    // Without points the default is sent.
    event->tracks["glow"] = ControlTrack();
    EXPECT_NEAR(frame(4)[1], 64, 2);
}

TEST_F(FrameEvaluationTest, GroupMembersReplayInTheGroupsTime) {
    Effect* first = colour_effect("first", 1, 0);
    Effect* second = colour_effect("second", 0, 1);
    Event* a = effect_event("a", 8, 12, first);
    Event* b = effect_event("b", 10, 12, second);
    // Members drawn only through the group: make them live nowhere at top level.
    auto group = std::make_unique<EventGroup>();
    group->name = "g";
    group->events = {a, b};
    groups.push_back(std::move(group));
    group_event("replay", 32, 40, groups.back().get());
    a->visible = false;  // an invisible member of a visible group is still drawn
    b->visible = false;
    EXPECT_NEAR_RGBA(frame(33), 255, 0, 0, 255, 1);   // a at group time 9
    EXPECT_NEAR_RGBA(frame(35), 0, 0, 255, 255, 1);   // b drawn over a at 11
    EXPECT_NEAR_RGBA(frame(36.5f), 0, 0, 0, 255, 1);  // the window has no alpha channel    // both past 12
    EXPECT_NEAR_RGBA(frame(9), 0, 0, 0, 255, 1);  // the window has no alpha channel        // invisible at top level
}

TEST_F(FrameEvaluationTest, ParentTrackOverridesTheMembersUniform) {
    Effect* effect = colour_effect("member", 0, 0, 0.0f);
    Event* member = effect_event("flash", 0, 4, effect, false);
    linear_track(*member, "glow", {{0, 1, ""}});
    auto group = std::make_unique<EventGroup>();
    group->events = {member};
    groups.push_back(std::move(group));
    Event* parent = group_event("replay", 20, 24, groups.back().get());
    EXPECT_NEAR(frame(21)[1], 255, 1);  // the member's own track
    linear_track(*parent, "flash.glow", {{0, 0, ""}, {4, 1, ""}});
    EXPECT_NEAR(frame(22)[1], 128, 2);  // the parent's track, at the member's beat + the parent's start
}

TEST_F(FrameEvaluationTest, InvisibleEventStillDrawsItsInputsAndTexts) {
    // The invisible event's effect has an input effect and a font texture;
    // the first pass draws the input into the back buffer, captures it, and
    // refreshes the text, while the second pass draws nothing of its own.
    Effect* input = colour_effect("input", 0, 1);
    Effect* main = colour_effect("main", 1, 0);
    main->effects.push_back(input);
    FontTexture caption(caption_json());
    caption.link_font({});
    caption.create();
    main->font_textures.push_back(&caption);
    Event* hidden = effect_event("hidden", 0, 4, main, false);
    hidden->tracks["caption"] = ControlTrack({{0, 0, "still here"}}, InterpolationMode::Linear, false);
    EXPECT_NEAR_RGBA(frame(1), 0, 0, 255, 255, 1);  // the input's blue, not main's red
    ASSERT_NE(input->capture_texture, 0u);
    std::vector<unsigned char> captured(64 * 64 * 4);
    glBindTexture(GL_TEXTURE_2D, input->capture_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, captured.data());
    EXPECT_EQ(captured[(32 * 64 + 32) * 4 + 2], 255);
    EXPECT_EQ(caption.text, "still here");
}

TEST_F(FrameEvaluationTest, OutsideItsRangeAnEventSendsDefaults) {
    Effect* effect = colour_effect("glowing", 0, 0, 0.25f);
    Event* event = effect_event("glowing", 2, 6, effect);
    linear_track(*event, "glow", {{0, 1, ""}});
    const auto& def = effect->program->uniform_defs[0];
    glUseProgram(effect->program->program_id);
    float sent = -1;
    apply_to_program(*event, 4, nullptr);
    glGetUniformfv(effect->program->program_id, def->location, &sent);
    EXPECT_EQ(sent, 1.0f);
    apply_to_program(*event, 6.5f, nullptr);
    glGetUniformfv(effect->program->program_id, def->location, &sent);
    EXPECT_EQ(sent, 0.25f);
    apply_to_program(*event, 6.0f, nullptr);  // the end itself still counts as inside
    glGetUniformfv(effect->program->program_id, def->location, &sent);
    EXPECT_EQ(sent, 1.0f);
}

TEST_F(FrameEvaluationTest, TextTrackReachesTheFontTexture) {
    std::string font_path = std::string(QB_TEST_DATA_DIR) + "/resources/DejaVuSans.ttf";
    ASSERT_TRUE(std::filesystem::exists(font_path)) << font_path;
    JsonValue font_json = JsonValue::object();
    font_json["name"] = "sans";
    font_json["filename"] = font_path;
    font_json["ptsize"] = 20;
    Font font(font_json);
    JsonValue texture_json = JsonValue::object();
    texture_json["name"] = "title";
    texture_json["width"] = 128;
    texture_json["height"] = 32;
    texture_json["font"] = "sans";
    FontTexture title(texture_json);
    title.link_font({{"sans", &font}});
    title.create();

    Effect* effect = colour_effect("text", 1, 0);
    effect->font_textures.push_back(&title);
    Event* event = effect_event("titles", 10, 20, effect);
    event->tracks["title"] = ControlTrack({{0, 0, "HELLO"}, {4, 0, "BYE <IBEAT>"}}, InterpolationMode::Linear, false);
    frame(11);
    EXPECT_EQ(title.text, "HELLO");
    frame(15);
    EXPECT_EQ(title.text, "BYE 15");
    frame(21);  // the event is over: the first pass no longer visits it
    EXPECT_EQ(title.text, "BYE 15");
    update_text(*event, 21, nullptr);  // outside the event's range the text clears
    EXPECT_EQ(title.text, "");
}

TEST_F(FrameEvaluationTest, SoundTextureUnitOnlyForProgramsThatDeclareIt) {
    auto declares = std::make_unique<ShaderProgram>();
    declares->fragment_shader_source =
        fragment_prelude + "uniform sampler2D sound_texture;\n" +
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = texture(sound_texture, vec2(0.5)); }\n";
    declares->rebuild();
    ASSERT_NE(declares->sound_texture_location, -1);
    Effect with_sound("sound", declares.get(), nullptr, nullptr, false, false, nullptr);
    Effect* without = colour_effect("plain", 1, 0);

    // The audio texture holds a known colour for this frame.
    std::vector<unsigned char> capture(1024 * 2 * 4);
    for (std::size_t i = 0; i < capture.size(); i += 4) {
        capture[i] = 10;
        capture[i + 1] = 200;
        capture[i + 2] = 90;
        capture[i + 3] = 255;
    }
    glBindTexture(GL_TEXTURE_2D, audio_texture->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1024, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, capture.data());

    // A marker on unit 16 shows whether drawing an event touched the unit.
    Texture marker(1, 1);
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, marker.texture);
    effect_event("plain", 0, 2, without);
    frame(1);
    EXPECT_EQ(bound_texture(16), marker.texture);

    events.clear();
    effect_event("sound", 0, 2, &with_sound);
    EXPECT_NEAR_RGBA(frame(1), 10, 200, 90, 255, 1);  // the shader read the audio texture on unit 16
    EXPECT_EQ(bound_texture(16), 0u);                 // and the unit is unbound afterwards
}

TEST_F(FrameEvaluationTest, EventsWhoseReferenceMatchedNothingAreSkipped) {
    effect_event("no effect", 0, 4, nullptr);
    Event* sample = effect_event("no sample", 0, 4, nullptr);
    sample->type = EventType::AudioSample;
    group_event("no group", 0, 4, nullptr);
    auto group = std::make_unique<EventGroup>();
    group->events = {nullptr, nullptr};  // members whose names matched nothing
    group->member_names = {"gone", "also gone"};
    groups.push_back(std::move(group));
    group_event("empty members", 0, 4, groups.back().get());
    Event* unknown = effect_event("unknown type", 0, 4, colour_effect("never", 1, 1));
    unknown->type = static_cast<EventType>(7);
    EXPECT_NEAR_RGBA(frame(1), 0, 0, 0, 255, 1);  // nothing drawn, nothing crashed
    EXPECT_EQ(evaluate_events(events, *audio_texture, 1), nullptr);
}

}  // namespace quillbarrow
