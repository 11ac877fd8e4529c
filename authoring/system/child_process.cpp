#include "system/child_process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace quillbarrow {

#ifdef _WIN32

namespace {

// One argument quoted the way the C runtime splits command lines.
std::string quoted(const std::string& arg) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

std::string command_line(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) line += (line.empty() ? "" : " ") + quoted(arg);
    return line;
}

class WindowsChild : public ChildWithInput {
public:
    explicit WindowsChild(std::FILE* pipe) : pipe_(pipe) {}
    ~WindowsChild() override {
        if (pipe_) _pclose(pipe_);
    }
    bool write(const void* bytes, std::size_t length) override {
        return pipe_ && std::fwrite(bytes, 1, length, pipe_) == length;
    }
    int finish() override {
        int status = pipe_ ? _pclose(pipe_) : -1;
        pipe_ = nullptr;
        return status;
    }

private:
    std::FILE* pipe_;
};

}  // namespace

std::unique_ptr<ChildWithInput> ChildWithInput::start(const std::vector<std::string>& argv, std::string* error) {
    // _popen hands the line to cmd.exe, which wants the whole line quoted once more.
    std::FILE* pipe = _popen(("\"" + command_line(argv) + "\"").c_str(), "wb");
    if (!pipe) {
        if (error) *error = "cannot start " + argv.front();
        return nullptr;
    }
    return std::make_unique<WindowsChild>(pipe);
}

int run_program(const std::vector<std::string>& argv) {
    return std::system(("\"" + command_line(argv) + "\"").c_str());
}

int run_program_reading_output(const std::vector<std::string>& argv, std::size_t max_bytes, std::string* output) {
    std::FILE* pipe = _popen(("\"" + command_line(argv) + " 2>&1\"").c_str(), "rb");
    if (!pipe) return -1;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;)
        output->append(block, std::min(got, max_bytes - std::min(max_bytes, output->size())));
    return _pclose(pipe);
}

std::string find_on_path(const std::string& program) {
    char found[MAX_PATH] = {};
    DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(found, length) : std::string();
}

#else

namespace {

std::vector<char*> c_argv(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& arg : argv) out.push_back(const_cast<char*>(arg.c_str()));
    out.push_back(nullptr);
    return out;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PosixChild : public ChildWithInput {
public:
    PosixChild(pid_t pid, int input) : pid_(pid), input_(input) {}
    ~PosixChild() override { finish(); }
    bool write(const void* bytes, std::size_t length) override {
        const char* at = static_cast<const char*>(bytes);
        while (length > 0 && input_ >= 0) {
            ssize_t written = ::write(input_, at, length);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            at += written;
            length -= static_cast<std::size_t>(written);
        }
        return input_ >= 0;
    }
    int finish() override {
        if (input_ >= 0) close(input_);
        input_ = -1;
        if (pid_ <= 0) return status_;
        status_ = wait_for(pid_);
        pid_ = 0;
        return status_;
    }

private:
    pid_t pid_;
    int input_;
    int status_ = -1;
};

}  // namespace

std::unique_ptr<ChildWithInput> ChildWithInput::start(const std::vector<std::string>& argv, std::string* error) {
    // A child that stops reading must end our writes with an error, not
    // end us with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (pipe(fds) != 0) {
        if (error) *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = 0;
    auto args = c_argv(argv);
    int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (failed) {
        close(fds[1]);
        if (error) *error = "cannot start " + argv.front() + ": " + std::strerror(failed);
        return nullptr;
    }
#ifdef F_SETPIPE_SZ
    // Whole frames are megabytes: a wider pipe means far fewer switches
    // between us and the reader. Best effort; the default still works.
    fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
#endif
    return std::make_unique<PosixChild>(pid, fds[1]);
}

int run_program(const std::vector<std::string>& argv) {
    pid_t pid = 0;
    auto args = c_argv(argv);
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    return wait_for(pid);
}

int run_program_reading_output(const std::vector<std::string>& argv, std::size_t max_bytes, std::string* output) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = 0;
    auto args = c_argv(argv);
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (failed) {
        close(fds[0]);
        return -1;
    }
    char block[4096];
    for (;;) {
        const ssize_t got = read(fds[0], block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const std::size_t room = max_bytes - std::min(max_bytes, output->size());
        output->append(block, std::min(static_cast<std::size_t>(got), room));
    }
    close(fds[0]);
    return wait_for(pid);
}

std::string find_on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string list = path;
    for (std::size_t begin = 0; begin <= list.size();) {
        std::size_t end = list.find(':', begin);
        if (end == std::string::npos) end = list.size();
        std::string dir = list.substr(begin, end - begin);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) return candidate;
        begin = end + 1;
    }
    return {};
}
#endif

}  // namespace quillbarrow
