#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "player/diagnostics.h"
#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"

namespace quillbarrow {

// The binary form of a record, read back by a fresh record of the same kind.
template <class T>
std::unique_ptr<T> binary_round_trip(const T& record) {
    BinaryWriter out;
    record.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    auto copy = std::make_unique<T>(in);
    if (in.remaining() != 0) throw std::runtime_error("read left bytes behind");
    return copy;
}

inline std::string file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh directory for files a test exports, removed afterwards.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& tag)
        : path_(std::filesystem::temp_directory_path() / ("qb_" + tag + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Turns the process-ending fatal error into an exception for the test's
// duration.
struct FatalErrorsThrow {
    FatalErrorsThrow() {
        set_fatal_error_handler([](const std::string& message) { throw std::runtime_error(message); });
    }
    ~FatalErrorsThrow() { set_fatal_error_handler(nullptr); }
};

}  // namespace quillbarrow
