#include "support/process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace quillbarrow {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

bool have_display() { return std::getenv("DISPLAY") != nullptr; }

ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& options) {
    static int counter = 0;
    const std::string base = "/tmp/qb_process_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    const std::string out_path = base + ".out", err_path = base + ".err";
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) _exit(126);
        for (const auto& assignment : options.environment) putenv(const_cast<char*>(assignment.c_str()));
        if (!freopen(out_path.c_str(), "w", stdout) || !freopen(err_path.c_str(), "w", stderr)) _exit(126);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    ProcessResult result;
    double next_poke = options.poke_after_seconds;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == pid) {
            result.seconds = elapsed;
            break;
        }
        if (options.poke && next_poke >= 0 && elapsed >= next_poke) {
            next_poke = options.poke_interval_seconds > 0 ? next_poke + options.poke_interval_seconds : -1.0;
            options.poke(pid);
        }
        if (elapsed > options.timeout_seconds) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.seconds = elapsed;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return result;
}

}  // namespace quillbarrow
