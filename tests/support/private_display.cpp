#include "support/private_display.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace quillbarrow {

namespace {

bool taken(int n) {
    return std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
           std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n));
}

}  // namespace

PrivateDisplay::PrivateDisplay() {
    // Numbers from the process id on, so parallel test processes rarely meet;
    // when they do, the loser's Xvfb exits at once and the next number is tried.
    const int first = 200 + static_cast<int>(::getpid() % 400);
    for (int n = first; n < first + 200; ++n) {
        if (taken(n)) continue;
        const std::string display = ":" + std::to_string(n);
        pid_t pid = fork();
        if (pid == 0) {
            execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1280x720x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid < 0) return;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        for (int wait = 0; wait < 100; ++wait) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) break;  // lost the race for n
            if (std::filesystem::exists(socket)) {
                pid_ = pid;
                name_ = display;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace quillbarrow
