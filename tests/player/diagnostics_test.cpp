#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/data.h"
#include "document/resource_test_helpers.h"
#include "player/diagnostics.h"
#include "render/shader_program.h"
#include "scene/model.h"
#include "serialization/byte_buffer.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

namespace {

// Everything reported while it lives, in order.
class CollectedDiagnostics {
public:
    const std::vector<Diagnostic>& all() const { return collected_; }
    std::vector<std::string> texts(DiagnosticKind kind) const {
        std::vector<std::string> texts;
        for (const Diagnostic& d : collected_)
            if (d.kind == kind) texts.push_back(d.text);
        return texts;
    }

private:
    std::vector<Diagnostic> collected_;
    DiagnosticScope scope_{[this](const Diagnostic& d) { collected_.push_back(d); }};
};

class DiagnosticsTest : public GlTest {};

TEST_F(DiagnosticsTest, RecordLoadReportsReachTheInstalledHandlerAndNothingIsPrinted) {
    ScratchDirectory dir("diagnostics");
    const std::string vertex = dir.file("missing.vert"), fragment = dir.file("missing.frag");
    const std::string missing_data = dir.file("missing.bin");
    const bool crash_file_before = std::filesystem::exists("crash.txt");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
        CollectedDiagnostics collected;
        JsonValue shader = JsonValue::object();
        shader["vertex_shader_filename"] = vertex;
        shader["fragment_shader_filename"] = fragment;
        ShaderProgram program(shader);
        // The first build's logs are dropped; everything else comes through.
        const std::vector<std::string> expected = {
            "Loading file " + vertex,
            "File " + vertex + " not found! Returning empty string, with possibly bad outcomes...",
            "Loading file " + fragment,
            "File " + fragment + " not found! Returning empty string, with possibly bad outcomes...",
        };
        EXPECT_EQ(collected.texts(DiagnosticKind::Notice), expected);
        EXPECT_TRUE(collected.texts(DiagnosticKind::ShaderLog).empty());
        // A rebuild reports the empty fragment source's log.
        program.rebuild();
        EXPECT_FALSE(collected.texts(DiagnosticKind::ShaderLog).empty());

        JsonValue model = JsonValue::object();
        model["filename"] = "ship";
        model["buffer"] = ByteBuffer("glTF", 4).to_json(false);
        Model ship(model);
        EXPECT_EQ(collected.texts(DiagnosticKind::Notice).back(), "Expected a file extension in name ship");
        EXPECT_EQ(collected.texts(DiagnosticKind::Warning), std::vector<std::string>{"Number of VAOs: 0"});

        // A missing file the record cannot do without reaches the caller
        // through the fatal error handler, and no crash file is written.
        FatalErrorsThrow throws;
        JsonValue data = JsonValue::object();
        data["name"] = missing_data;
        try {
            Data loaded(data);
            ADD_FAILURE() << "a missing data file loaded";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "File not found: " + missing_data);
        }
        EXPECT_EQ(std::filesystem::exists("crash.txt"), crash_file_before);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Diagnostics, PrintingPutsEachKindOnItsStreamAndScopesRestoreTheHandlerBefore) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    report_notice("FB Error! Status: 0x8cd6");
    report_warning("cubicspline not supported");
    {
        CollectedDiagnostics collected;
        {
            DiagnosticScope quiet = DiagnosticScope::dropping(DiagnosticKind::ShaderLog);
            report_shader_log("0:1(1): error: syntax error");
            report_notice(format_message("Loading file %s", "a.frag"));
        }
        report_shader_log("LINKER ERROR: none");
        EXPECT_EQ(collected.all().size(), 2u);
        EXPECT_EQ(collected.texts(DiagnosticKind::Notice), std::vector<std::string>{"Loading file a.frag"});
        EXPECT_EQ(collected.texts(DiagnosticKind::ShaderLog), std::vector<std::string>{"LINKER ERROR: none"});
    }
    report_shader_log("log text\n");
    set_diagnostic_handler([](const Diagnostic&) {});
    report_notice("dropped");
    set_diagnostic_handler(nullptr);
    report_notice("printed again");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cubicspline not supported\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FB Error! Status: 0x8cd6\nlog text\n\nprinted again\n");
}

// Print and exit calls in runtime code, as "file:line: text". Comments and
// the contents of literals are skipped.
std::vector<std::string> print_or_exit_calls(const std::string& file, const std::string& source) {
    static const std::regex call(
        R"((^|[^A-Za-z0-9_])((std)?::)?(printf|fprintf|vprintf|vfprintf|puts|fputs|putchar|perror|exit|_Exit|quick_exit|abort|SDL_Log[A-Za-z]*)\s*\(|std::(cout|cerr|clog)\b)");
    std::string code;
    enum { Code, Line, Block, Quote } state = Code;
    char quote = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i], next = i + 1 < source.size() ? source[i + 1] : '\0';
        if (state == Code && c == '/' && (next == '/' || next == '*')) {
            state = next == '/' ? Line : Block;
            ++i;
            continue;
        }
        if (state == Code && c == 'R' && next == '"' &&
            (i == 0 || !std::isalnum(static_cast<unsigned char>(source[i - 1])))) {
            // A raw literal (shader text) ends at )delimiter".
            const std::size_t open = source.find('(', i);
            if (open == std::string::npos) break;
            const std::string close = ")" + source.substr(i + 2, open - i - 2) + "\"";
            const std::size_t end = std::min(source.find(close, open), source.size());
            for (std::size_t k = i; k < end; ++k) code += source[k] == '\n' ? '\n' : ' ';
            i = end + close.size() - 1;
            continue;
        }
        if (state == Code && (c == '"' || c == '\'')) {
            state = Quote;
            quote = c;
        } else if (state == Line && c == '\n') {
            state = Code;
        } else if (state == Block && c == '*' && next == '/') {
            state = Code;
            ++i;
            continue;
        } else if (state == Quote && c == '\\') {
            ++i;
            continue;
        } else if (state == Quote && c == quote) {
            state = Code;
        }
        code += (state == Code || c == '\n') ? c : ' ';
    }
    std::vector<std::string> found;
    std::istringstream lines(code), original(source);
    std::string line, text;
    for (int number = 1; std::getline(lines, line) && std::getline(original, text); ++number)
        if (std::regex_search(line, call)) found.push_back(file + ":" + std::to_string(number) + ": " + text);
    return found;
}

TEST(Diagnostics, RuntimeCodeNeitherPrintsNorExitsOutsideTheFrontEnd) {
    const std::string sample = "int a = std::snprintf(b, 4, \"x\");  // std::printf(\"no\")\n"
                               "/* exit(1);\n"
                               "   puts(\"no\"); */ const char* s = \"fputs(x)\";\n"
                               "    std::printf(\"yes\\n\");\n"
                               "if (bad) exit(1);\n"
                               "std::clog << 1;\n"
                               "const char* glsl = R\"(\nexit(1); \"q\" // \n)\"; abort();\n";
    EXPECT_EQ(print_or_exit_calls("sample.cpp", sample),
              (std::vector<std::string>{"sample.cpp:4:     std::printf(\"yes\\n\");", "sample.cpp:5: if (bad) exit(1);",
                                        "sample.cpp:6: std::clog << 1;", "sample.cpp:9: )\"; abort();"}));

    // The player's front end and the diagnostics channel itself may print
    // and end the process; nothing else in the runtime does.
    const std::filesystem::path src = std::filesystem::path(QB_EXAMPLES_DIR).parent_path() / "src";
    const std::vector<std::string> allowed = {"player/diagnostics.cpp", "player/player.cpp", "player/main.cpp"};
    std::vector<std::string> found;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string name = entry.path().lexically_relative(src).generic_string();
        ++files;
        if (std::find(allowed.begin(), allowed.end(), name) != allowed.end()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        for (std::string& call : print_or_exit_calls("src/" + name, text.str())) found.push_back(std::move(call));
    }
    EXPECT_GT(files, 50);
    std::string listed;
    for (const std::string& call : found) listed += call + "\n";
    EXPECT_TRUE(found.empty()) << "report through player/diagnostics.h instead:\n" << listed;
}

}  // namespace

}  // namespace quillbarrow
