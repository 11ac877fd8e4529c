#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "document/resource_file.h"
#include "player/diagnostics.h"
#include "support/test_environment.h"

namespace quillbarrow {

TEST(ReadFileBuffer, ReadsWholeFile) {
    std::string path = private_temp_path("byte_buffer_file.bin");
    std::string content(70000, 'q');
    content[12345] = '\0';
    std::ofstream(path, std::ios::binary) << content;
    std::unique_ptr<ByteBuffer> buffer = read_file_buffer(path);
    EXPECT_EQ(std::string(buffer->view()), content);
    std::remove(path.c_str());
}

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(ReadFileBufferDeathTest, MissingFileWritesCrashFileAndExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test runs this body again in a new process: the folder's
    // name reaches it through the environment.
    setenv("QB_TEST_CRASH_DIR", private_temp_path("crash_dir/").c_str(), 0);
    std::string dir = std::getenv("QB_TEST_CRASH_DIR");
    std::filesystem::create_directories(dir);
    std::string long_path = "/nonexistent/" + std::string(300, 'p');
    std::string crash = dir + "crash.txt";
    std::remove(crash.c_str());
    EXPECT_EXIT(
        {
            if (chdir(dir.c_str()) != 0) std::exit(3);
            read_file_buffer(long_path);
        },
        testing::ExitedWithCode(1), "");
    std::string expected_message = ("File not found: " + long_path).substr(0, 255);
    EXPECT_EQ(read_file(crash), "Fatal error: " + expected_message + "\nExiting.");
    std::filesystem::remove_all(dir);
}

TEST(ReadFileBuffer, FatalHandlerReplacesCrashFile) {
    set_fatal_error_handler([](const std::string& message) { throw std::runtime_error(message); });
    try {
        read_file_buffer("/nonexistent/file.png");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "File not found: /nonexistent/file.png");
    }
    set_fatal_error_handler(nullptr);
}

}  // namespace quillbarrow
