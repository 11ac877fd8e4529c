#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillbarrow {

// An include directive pulls in another program's stored fragment source by
// plain text replacement. Each expansion is bounded: a hostile project can
// otherwise grow one source per program it holds.
constexpr std::size_t kMaxExpandedShaderBytes = 1u << 20;          // one program's fragment source after includes
constexpr std::size_t kMaxShaderIncludes = 64;                     // files pulled into one program
constexpr std::size_t kMaxExpandedShaderBytesPerLoad = 16u << 20;  // every expansion of one load together

// Where a line of an expanded source was written: which file of the list
// (kExpandedFile for the file being expanded) and which of its lines.
constexpr std::size_t kExpandedFile = static_cast<std::size_t>(-1);
struct LineOrigin {
    std::size_t file = kExpandedFile;
    int line = 0;  // 0: the line is not in the text
};

// A fragment source with its includes in place. From each run's offset on,
// the text is that file's, starting at that line, until the next run.
struct ExpandedSource {
    struct Run {
        std::size_t offset = 0;
        std::size_t file = kExpandedFile;
        int line = 1;
    };
    std::string text;
    std::vector<Run> runs;
    // Why the expansion was refused (a limit above), not naming the file
    // expanded; text is then empty.
    std::string error;

    static ExpandedSource plain(const std::string& text);
    // The origin of a 1-based line of text (where its first character came from).
    LineOrigin origin_of_line(int line) const;
};

// One file an include may name: its file name and stored text (null: the
// file could not be read, so nothing includes it).
struct IncludableFile {
    const std::string* name = nullptr;
    const std::string* text = nullptr;
};

// The include directive that pulls in a fragment file.
std::string include_directive(const std::string& fragment_shader_filename);

// Expands fragment sources against one list of files, in list order: the
// first occurrence of each file's directive is replaced by its stored text,
// and text brought in is searched for the files after it only. A file is
// never included into itself, nor twice (the first of several records of
// one name is the one included). Expansions are kept by file name for the
// life of the expander, so one load expands each file once however many
// programs name it.
class IncludeExpander {
public:
    explicit IncludeExpander(std::vector<IncludableFile> files) : files_(std::move(files)) {}

    const ExpandedSource& expand(const std::string& name, const std::string& text);

private:
    ExpandedSource expand_uncached(const std::string& name, const std::string& text) const;

    struct Cached {
        std::string text;
        ExpandedSource expanded;
    };
    std::vector<IncludableFile> files_;
    std::unordered_map<std::string, Cached> cache_;
    std::size_t spent_ = 0;
    ExpandedSource uncached_;
};

}  // namespace quillbarrow
