// Our string codec beside Snappy and LZ4 on real text (glTF JSON and GLSL)
// and on short strings the size of record names.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <lz4.h>
#include <snappy.h>

#include "serialization/string_codec.h"

namespace quillbarrow {

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// About 1 MB of JSON and GLSL: the project's glTF models and shaders first,
// topped up with the JSON tables that ship with CMake.
const std::string& text_corpus() {
    static const std::string corpus = [] {
        std::string all;
        const fs::path root(QB_SOURCE_DIR);
        std::vector<fs::path> files;
        for (const char* dir : {"tests/data", "examples", "src"}) {
            if (!fs::exists(root / dir)) continue;
            for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
                auto ext = entry.path().extension();
                if (ext == ".gltf" || ext == ".frag" || ext == ".vert" || ext == ".glsl" || ext == ".json")
                    files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files) all += read_file(f);
        std::vector<fs::path> tables;
        for (const char* dir : {"/usr/share/cmake-3.25/Templates/MSBuild/FlagTables", "/usr/share/iso-codes/json"}) {
            if (!fs::exists(dir)) continue;
            for (const auto& entry : fs::directory_iterator(dir))
                if (entry.path().extension() == ".json") tables.push_back(entry.path());
        }
        std::sort(tables.begin(), tables.end());
        for (const auto& f : tables) {
            if (all.size() >= (1 << 20)) break;
            all += read_file(f);
        }
        if (all.size() > (1 << 20)) all.resize(1 << 20);
        return all;
    }();
    return corpus;
}

std::vector<std::string> short_strings() {
    std::mt19937 rng(42);
    const char* words[] = {"effect", "background", "logo",     "font",  "texture", "event", "group", "camera",
                           "scene",  "bloom",      "feedback", "title", "text",    "intro", "outro", "shader"};
    std::vector<std::string> out;
    for (int i = 0; i < 4096; ++i) {
        std::string s;
        std::size_t target = 8 + rng() % 25;
        while (s.size() < target) s += std::string(words[rng() % 16]) + "_";
        s.resize(target);
        out.push_back(s);
    }
    return out;
}

void report_ratio(benchmark::State& state, std::size_t in, std::size_t out) {
    state.counters["ratio"] = static_cast<double>(out) / static_cast<double>(in);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in));
}

void BM_Text_Compress_Ours(benchmark::State& state) {
    const auto& text = text_corpus();
    std::size_t out = 0;
    for (auto _ : state) {
        std::string packed = compress(text);
        out = packed.size();
        benchmark::DoNotOptimize(packed.data());
    }
    report_ratio(state, text.size(), out);
}

void BM_Text_Decompress_Ours(benchmark::State& state) {
    const auto& text = text_corpus();
    std::string packed = compress(text);
    for (auto _ : state) {
        std::string plain = decompress(packed, 0);
        benchmark::DoNotOptimize(plain.data());
    }
    report_ratio(state, text.size(), packed.size());
}

void BM_Text_Compress_Snappy(benchmark::State& state) {
    const auto& text = text_corpus();
    std::string packed;
    for (auto _ : state) {
        snappy::Compress(text.data(), text.size(), &packed);
        benchmark::DoNotOptimize(packed.data());
    }
    report_ratio(state, text.size(), packed.size());
}

void BM_Text_Decompress_Snappy(benchmark::State& state) {
    const auto& text = text_corpus();
    std::string packed, plain;
    snappy::Compress(text.data(), text.size(), &packed);
    for (auto _ : state) {
        snappy::Uncompress(packed.data(), packed.size(), &plain);
        benchmark::DoNotOptimize(plain.data());
    }
    report_ratio(state, text.size(), packed.size());
}

void BM_Text_Compress_LZ4(benchmark::State& state) {
    const auto& text = text_corpus();
    std::string packed(LZ4_compressBound(static_cast<int>(text.size())), '\0');
    int size = 0;
    for (auto _ : state) {
        size = LZ4_compress_default(text.data(), packed.data(), static_cast<int>(text.size()),
                                    static_cast<int>(packed.size()));
        benchmark::DoNotOptimize(packed.data());
    }
    report_ratio(state, text.size(), static_cast<std::size_t>(size));
}

void BM_Text_Decompress_LZ4(benchmark::State& state) {
    const auto& text = text_corpus();
    std::string packed(LZ4_compressBound(static_cast<int>(text.size())), '\0');
    int size = LZ4_compress_default(text.data(), packed.data(), static_cast<int>(text.size()),
                                    static_cast<int>(packed.size()));
    std::string plain(text.size(), '\0');
    for (auto _ : state) {
        LZ4_decompress_safe(packed.data(), plain.data(), size, static_cast<int>(plain.size()));
        benchmark::DoNotOptimize(plain.data());
    }
    report_ratio(state, text.size(), static_cast<std::size_t>(size));
}

template <class Fn>
void run_short(benchmark::State& state, Fn fn) {
    static const auto strings = short_strings();
    std::size_t i = 0, in = 0, out = 0;
    for (auto _ : state) {
        const std::string& s = strings[i++ & 4095];
        in += s.size();
        out += fn(s);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["ratio"] = static_cast<double>(out) / static_cast<double>(in);
}

void BM_Short_Compress_Ours(benchmark::State& state) {
    run_short(state, [](const std::string& s) {
        std::string packed = compress(s);
        benchmark::DoNotOptimize(packed.data());
        return packed.size();
    });
}

void BM_Short_Compress_Snappy(benchmark::State& state) {
    std::string packed;
    run_short(state, [&](const std::string& s) {
        snappy::Compress(s.data(), s.size(), &packed);
        benchmark::DoNotOptimize(packed.data());
        return packed.size();
    });
}

void BM_Short_Compress_LZ4(benchmark::State& state) {
    std::string packed(128, '\0');
    run_short(state, [&](const std::string& s) {
        int size = LZ4_compress_default(s.data(), packed.data(), static_cast<int>(s.size()), 128);
        benchmark::DoNotOptimize(packed.data());
        return static_cast<std::size_t>(size);
    });
}

void BM_Short_Decompress_Ours(benchmark::State& state) {
    static const auto strings = short_strings();
    std::vector<std::string> packed;
    for (const auto& s : strings) packed.push_back(compress(s));
    std::size_t i = 0;
    for (auto _ : state) {
        std::string plain = decompress(packed[i++ & 4095], 0);
        benchmark::DoNotOptimize(plain.data());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_Text_Compress_Ours);
BENCHMARK(BM_Text_Compress_Snappy);
BENCHMARK(BM_Text_Compress_LZ4);
BENCHMARK(BM_Text_Decompress_Ours);
BENCHMARK(BM_Text_Decompress_Snappy);
BENCHMARK(BM_Text_Decompress_LZ4);
BENCHMARK(BM_Short_Compress_Ours);
BENCHMARK(BM_Short_Compress_Snappy);
BENCHMARK(BM_Short_Compress_LZ4);
BENCHMARK(BM_Short_Decompress_Ours);

}  // namespace quillbarrow
