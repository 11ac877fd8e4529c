#include "render/shader_includes.h"

#include <algorithm>
#include <unordered_set>

namespace quillbarrow {

namespace {

constexpr char kDirectiveStart[] = "#include \"";

int newlines(const std::string& text, std::size_t from, std::size_t to) {
    return static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from),
                                       text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
}

// Names that follow a directive's opening in the text. A file whose name
// holds no quote and no line end can only be included when its name is
// among them, so most files of a long list are passed over without a search.
std::unordered_set<std::string> named_includes(const std::string& text) {
    std::unordered_set<std::string> names;
    const std::size_t opening = sizeof kDirectiveStart - 1;
    for (std::size_t at = text.find(kDirectiveStart); at != std::string::npos;
         at = text.find(kDirectiveStart, at + 1)) {
        const std::size_t end = text.find_first_of("\"\n", at + opening);
        if (end != std::string::npos && text[end] == '"') names.insert(text.substr(at + opening, end - at - opening));
    }
    return names;
}

bool may_be_named(const std::unordered_set<std::string>& names, const std::string& name) {
    return name.find_first_of("\"\n") != std::string::npos || names.count(name) != 0;
}

// Replaces text[at, at + removed) by a file's whole text, keeping every run.
void replace_with_file(ExpandedSource& source, std::size_t at, std::size_t removed, const std::string& inserted,
                       std::size_t file) {
    const std::size_t end = at + removed;
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(inserted.size()) - static_cast<std::ptrdiff_t>(removed);
    std::vector<ExpandedSource::Run> runs;
    ExpandedSource::Run tail;
    for (const ExpandedSource::Run& run : source.runs) {
        if (run.offset < at) runs.push_back(run);
        if (run.offset <= end) tail = run;
    }
    if (!inserted.empty()) runs.push_back({at, file, 1});
    if (end < source.text.size()) {
        // The text after the directive goes on where it was, one run later.
        tail.line += newlines(source.text, tail.offset, end);
        tail.offset = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(end) + shift);
        runs.push_back(tail);
    }
    for (const ExpandedSource::Run& run : source.runs)
        if (run.offset > end)
            runs.push_back(
                {static_cast<std::size_t>(static_cast<std::ptrdiff_t>(run.offset) + shift), run.file, run.line});
    source.text.replace(at, removed, inserted);
    source.runs = std::move(runs);
}

ExpandedSource refused(std::string message) {
    ExpandedSource out;
    out.error = std::move(message);
    return out;
}

}  // namespace

std::string include_directive(const std::string& fragment_shader_filename) {
    return kDirectiveStart + fragment_shader_filename + "\"";
}

ExpandedSource ExpandedSource::plain(const std::string& text) {
    ExpandedSource out;
    out.text = text;
    out.runs.push_back({0, kExpandedFile, 1});
    return out;
}

LineOrigin ExpandedSource::origin_of_line(int line) const {
    if (line < 1 || runs.empty()) return {};
    std::size_t at = 0;
    for (int n = 1; n < line; ++n) {
        at = text.find('\n', at);
        if (at == std::string::npos) return {};
        ++at;
    }
    // The last run that starts at or before the line's first character.
    auto run = std::upper_bound(runs.begin(), runs.end(), at,
                                [](std::size_t offset, const Run& r) { return offset < r.offset; });
    if (run == runs.begin()) return {};
    --run;
    return {run->file, run->line + newlines(text, run->offset, at)};
}

ExpandedSource IncludeExpander::expand_uncached(const std::string& name, const std::string& text) const {
    ExpandedSource out = ExpandedSource::plain(text);
    if (text.find(kDirectiveStart) == std::string::npos) return out;
    std::unordered_set<std::string> names = named_includes(out.text);
    std::unordered_set<std::string> included;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const IncludableFile& file = files_[i];
        if (!file.text || *file.name == name || included.count(*file.name) || !may_be_named(names, *file.name))
            continue;
        const std::string directive = include_directive(*file.name);
        const std::size_t at = out.text.find(directive);
        if (at == std::string::npos) continue;
        if (included.size() == kMaxShaderIncludes)
            return refused("includes more than " + std::to_string(kMaxShaderIncludes) + " files");
        if (out.text.size() - directive.size() + file.text->size() > kMaxExpandedShaderBytes)
            return refused("with its includes in place (" + *file.name + " and those before it) it grows past " +
                           std::to_string(kMaxExpandedShaderBytes) + " bytes");
        replace_with_file(out, at, directive.size(), *file.text, i);
        included.insert(*file.name);
        names = named_includes(out.text);
    }
    return out;
}

const ExpandedSource& IncludeExpander::expand(const std::string& name, const std::string& text) {
    auto cached = cache_.find(name);
    const ExpandedSource* result = nullptr;
    if (cached != cache_.end() && cached->second.text == text) {
        result = &cached->second.expanded;
    } else if (cached == cache_.end()) {
        result = &cache_.emplace(name, Cached{text, expand_uncached(name, text)}).first->second.expanded;
    } else {
        // Another record of the same name with other text: expanded on its own.
        uncached_ = expand_uncached(name, text);
        result = &uncached_;
    }
    spent_ += result->text.size();
    if (spent_ > kMaxExpandedShaderBytesPerLoad) {
        uncached_ = refused("the production's shaders with their includes in place pass " +
                            std::to_string(kMaxExpandedShaderBytesPerLoad) + " bytes");
        return uncached_;
    }
    return *result;
}

}  // namespace quillbarrow
