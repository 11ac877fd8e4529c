#include "document/document_reading.h"

#include <string>

#include "document/decode_budget.h"
#include "document/demo.h"
#include "document/loading_progress.h"
#include "player/diagnostics.h"
#include "timeline/group_cycles.h"

namespace quillbarrow {

namespace {

// Every top-level record is preceded by its 8-byte key and takes at least
// one byte itself, so a count larger than the bytes left / 9 is corrupt.
constexpr std::size_t kMinKeyedRecordBytes = 9;

// A payload that holds one still plays: the member that closes the cycle
// is skipped (its name is kept for a JSON write).
void cut_group_cycles(const RecordList<EventGroup>& groups) {
    for (const GroupCycle& cycle : find_group_cycles(groups)) {
        report_notice(format_message("Event group \"%s\" replays itself (%s); that member is skipped",
                                     cycle.group->name.c_str(), cycle.path.c_str()));
        cycle.group->events[cycle.member] = nullptr;
    }
}

}  // namespace

template <class T>
DocumentReading::ListSteps DocumentReading::steps_for(std::vector<std::unique_ptr<T>>& list, const char* list_name) {
    std::string count_field = std::string("\"") + list_name + "\" count";
    std::string key_field = std::string("\"") + list_name + "\" object key";
    return {[this, &list, count_field] {
                const std::uint64_t count = in_.read_count(count_field.c_str(), kMinKeyedRecordBytes);
                list.reserve(count);
                return count;
            },
            [this, &list, key_field] {
                const std::uint64_t key = in_.read_key(key_field.c_str());
                list.push_back(std::make_unique<T>(in_));
                objects_[key] = list.back().get();
            }};
}

DocumentReading::DocumentReading(Demo& demo, BinaryReader& in)
    : demo_(demo), in_(in), budget_(std::make_unique<DecodeBudgetScope>()) {
    // The record count sizes the loading screen's progress: it must be what
    // the lists can hold, and then what they do hold.
    count_offset_ = in.offset();
    demo.record_count = in.read_count("record count", kMinKeyedRecordBytes);
    // The order of the binary form.
    lists_ = {steps_for(demo.events, "events"),
              steps_for(demo.effects, "effects"),
              steps_for(demo.shaders, "shaders"),
              steps_for(demo.textures, "textures"),
              steps_for(demo.audio_samples, "audio_samples"),
              steps_for(demo.event_groups, "event_groups"),
              steps_for(demo.fonts, "fonts"),
              steps_for(demo.font_textures, "font_textures"),
              steps_for(demo.datas, "datas"),
              steps_for(demo.models, "models"),
              steps_for(demo.scenes, "scenes")};
}

DocumentReading::~DocumentReading() = default;

void DocumentReading::read_next() {
    while (list_ < lists_.size()) {
        if (!list_started_) {
            left_in_list_ = lists_[list_].read_count();
            list_started_ = true;
        }
        if (left_in_list_ > 0) {
            lists_[list_].read_record();
            --left_in_list_;
            report_progress(read_so_far_++, demo_.record_count);
            return;
        }
        ++list_;
        list_started_ = false;
    }
    if (!finished_) finish();
}

void DocumentReading::finish() {
    Demo& demo = demo_;
    if (read_so_far_ != demo.record_count)
        throw FormatError("Corrupt content: the record count at offset " + std::to_string(count_offset_) + " says " +
                          std::to_string(demo.record_count) + " records but the lists hold " +
                          std::to_string(read_so_far_));
    demo.music = std::make_unique<ByteBuffer>(in_);

    // References are keys until every list has been read.
    for (auto& event : demo.events) event->resolve_reference<Effect, AudioSample>(objects_);
    for (auto& effect : demo.effects) effect->resolve_references(objects_);
    for (auto& group : demo.event_groups) group->resolve_reference(objects_);
    cut_group_cycles(demo.event_groups);
    for (auto& font_texture : demo.font_textures) {
        font_texture->resolve_font(objects_);
        font_texture->create();
    }
    for (auto& scene : demo.scenes) scene->resolve_references(objects_);

    demo.end_beat = in_.read_f32("end beat");
    demo.bpm = in_.read_f32("bpm");
    demo.beat_offset = in_.read_f32("beat offset");
    demo.finish_load();
    budget_.reset();
    finished_ = true;
}

// A whole read is the same steps without a pause.
void Demo::read(BinaryReader& in) {
    DocumentReading reading(*this, in);
    while (!reading.finished()) reading.read_next();
}

}  // namespace quillbarrow
