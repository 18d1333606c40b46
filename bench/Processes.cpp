#include "bench/Processes.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace torvel::bench {
namespace {

std::vector<char*> Argv(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Servers still running, stopped as well when the benchmarks are interrupted.
constexpr int kMaxServers = 16;
volatile sig_atomic_t gServerPids[kMaxServers] = {};

void StopServersAndExit(int signal) {
    for (int i = 0; i < kMaxServers; ++i)
        if (gServerPids[i] > 0)
            kill(pid_t(gServerPids[i]), SIGTERM);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void Remember(pid_t pid, bool running) {
    static const bool installed = [] {
        std::signal(SIGINT, StopServersAndExit);
        std::signal(SIGTERM, StopServersAndExit);
        return true;
    }();
    (void)installed;
    for (int i = 0; i < kMaxServers; ++i)
        if (running ? gServerPids[i] == 0 : gServerPids[i] == pid) {
            gServerPids[i] = running ? pid : 0;
            return;
        }
}

long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

} // namespace

int RunProcess(const std::vector<std::string>& argv, const std::string& stdoutPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    auto args = Argv(argv);
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? Wait(pid) : -1;
}

std::string RunProcessOutput(const std::vector<std::string>& argv, int& status) {
    int fds[2];
    status = -1;
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    auto args = Argv(argv);
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; rc == 0 && (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        out.append(buffer, size_t(n));
    }
    close(fds[0]);
    if (rc == 0)
        status = Wait(pid);
    return out;
}

ServerProcess::ServerProcess(const std::string& serverPath, const std::string& dbPath) {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::vector<std::string> command = {serverPath, "--port", "0", "--db", dbPath, "--quiet"};
    auto args = Argv(command);
    const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        throw std::runtime_error("cannot start " + serverPath + ": " + std::strerror(rc));
    }
    // The first line tells the address: "torvel-server listening on 127.0.0.1:<port>".
    std::string line;
    char c;
    while (line.size() < 200 && read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(fds[0]);
    const std::string marker = "listening on ";
    const auto at = line.find(marker);
    if (at == std::string::npos) {
        kill(pid_, SIGTERM);
        Wait(pid_);
        throw std::runtime_error("torvel-server did not start on " + dbPath);
    }
    hostPort_ = line.substr(at + marker.size());
    Remember(pid_, true);
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        Wait(pid_);
        Remember(pid_, false);
    }
}

long ResidentKb() {
    return StatusKb("VmRSS");
}

long PeakResidentKb() {
    return StatusKb("VmHWM");
}

void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace torvel::bench
