#include "timeline/frame_evaluation.h"

#include <GL/glew.h>

#include "document/audio_sample.h"
#include "document/font_texture.h"
#include "document/texture.h"
#include "render/effect.h"
#include "render/shader_program.h"
#include "timeline/event.h"
#include "timeline/event_group.h"
#include "timeline/scene_tracks.h"

namespace quillbarrow {

namespace {

// The group's members that exist, with the earliest start among them.
bool earliest_member_start(const EventGroup& group, float& earliest) {
    bool any = false;
    for (const Event* member : group.events) {
        if (!member) continue;
        if (!any || member->start < earliest) earliest = member->start;
        any = true;
    }
    return any;
}

// The parent's track named "<member>.<name>", if the parent has one. The
// name is built in one buffer kept across frames, so looking overrides up
// allocates nothing once it has grown.
const ControlTrack* parent_override(const Event* parent, const Event& member, const std::string& name) {
    if (!parent) return nullptr;
    static std::string override_name;
    override_name.assign(member.name).append(1, '.').append(name);
    return parent->find_track(override_name);
}

// Groups replaying groups nest at most this deep; the document cuts
// cycles when it is linked, and this bounds very long chains.
constexpr int kMaxGroupNesting = 64;

}  // namespace

bool is_live(const Event& event, float beat) { return event.start <= beat && beat < event.end; }

float group_time(const Event& group_event, float beat) {
    float earliest = 0.0f;
    if (!group_event.group || !earliest_member_start(*group_event.group, earliest)) return beat;
    return beat - group_event.start + earliest;
}

void update_text(Event& event, float beat, Event* parent) {
    if (!event.effect) return;
    for (FontTexture* font_texture : event.effect->font_textures) {
        if (!event.covers(beat)) {
            if (!font_texture->text.empty()) font_texture->set_text("");
            continue;
        }
        if (const ControlTrack* over = parent_override(parent, event, font_texture->name)) {
            if (over->empty())
                font_texture->set_text("");
            else
                font_texture->set_text(parent->text_at(event.name + "." + font_texture->name,
                                                       beat - event.start + parent->start,
                                                       font_texture->chars_per_beat));
            continue;
        }
        ControlTrack& own = event.track(font_texture->name);
        if (own.empty())
            font_texture->set_text("");
        else
            font_texture->set_text(event.text_at(font_texture->name, beat, font_texture->chars_per_beat));
    }
}

void apply_to_program(Event& event, float beat, Event* parent) {
    if (!event.effect || !event.effect->program) return;
    for (const auto& def : event.effect->program->uniform_defs) {
        if (def->location == -1) continue;
        float value = def->default_val;
        if (event.covers(beat)) {
            if (const ControlTrack* over = parent_override(parent, event, def->name)) {
                if (!over->empty()) value = parent->value_at(over, beat - event.start + parent->start);
            } else {
                ControlTrack& own = event.track(def->name);
                if (!own.empty()) value = event.value_at(&own, beat);
            }
        }
        glUniform1f(def->location, value);
    }
    if (event.effect->scene) apply_scene_tracks(event, *event.effect->scene, beat);
}

namespace {

// `nesting` counts the group events this one is replayed inside.
Effect* render_nested(Event& event, Texture& audio_texture, float beat, Event* parent, int nesting) {
    switch (event.type) {
    case EventType::Effect: {
        Effect* effect = event.effect;
        if (!effect) return nullptr;
        // One pointer of capture fits the callable's own storage: no heap
        // allocation per draw.
        struct Target {
            Event& event;
            float beat;
            Event* parent;
        } target{event, beat, parent};
        program_hook hook = [&target](ShaderProgram*) { apply_to_program(target.event, target.beat, target.parent); };
        const bool sound = effect->program && effect->program->sound_texture_location != -1;
        if (sound) {
            glActiveTexture(GL_TEXTURE16);
            glBindTexture(GL_TEXTURE_2D, audio_texture.texture);
        }
        effect->render(hook, true);
        if (sound) {
            glActiveTexture(GL_TEXTURE16);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        return effect;
    }
    case EventType::AudioSample:
        if (event.audio_sample) event.audio_sample->play();
        return nullptr;
    case EventType::Group: {
        Effect* last = nullptr;
        if (!event.group || nesting >= kMaxGroupNesting) return nullptr;
        const float member_beat = group_time(event, beat);
        for (Event* member : event.group->events) {
            if (!member || !is_live(*member, member_beat)) continue;
            if (Effect* drawn = render_nested(*member, audio_texture, member_beat, &event, nesting + 1)) last = drawn;
        }
        return last;
    }
    default: return nullptr;
    }
}

}  // namespace

Effect* render(Event& event, Texture& audio_texture, float beat, Event* parent) {
    return render_nested(event, audio_texture, beat, parent, 0);
}

Effect* evaluate_events(const std::vector<std::unique_ptr<Event>>& events, Texture& audio_texture, float beat) {
    for (const auto& owned : events) {
        Event& event = *owned;
        if (!is_live(event, beat)) continue;
        if (event.type == EventType::Effect && event.effect) {
            update_text(event, beat, nullptr);
            for (Effect* input : event.effect->effects) {
                input->reset_user_uniforms(nullptr);
                input->render({}, true);
                input->capture_screen();
            }
        } else if (event.type == EventType::Group && event.group) {
            float member_beat = group_time(event, beat);
            for (Event* member : event.group->events)
                if (member && member->type == EventType::Effect) update_text(*member, member_beat, &event);
        }
    }
    Effect* last = nullptr;
    for (const auto& owned : events) {
        Event& event = *owned;
        if (!is_live(event, beat) || !event.visible) continue;
        if (Effect* drawn = render(event, audio_texture, beat, nullptr)) last = drawn;
    }
    return last;
}

void pose_scenes(const std::vector<std::unique_ptr<Event>>& events, float beat) {
    auto pose = [](Event& event, float at) {
        if (event.type == EventType::Effect && event.effect && event.effect->program && event.effect->scene &&
            is_live(event, at))
            apply_scene_tracks(event, *event.effect->scene, at);
    };
    for (const auto& owned : events) {
        Event& event = *owned;
        pose(event, beat);
        if (event.type != EventType::Group || !event.group || !is_live(event, beat)) continue;
        const float member_beat = group_time(event, beat);
        for (Event* member : event.group->events)
            if (member) pose(*member, member_beat);
    }
}

}  // namespace quillbarrow
