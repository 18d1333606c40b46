#include "tests/support/ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace torvel::test {

namespace {

using Steady = std::chrono::steady_clock;
constexpr auto kPoll = std::chrono::milliseconds(10);

// The test's environment with the changes applied, as "NAME=value" lines.
std::vector<std::string>
Environment(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (!changes.contains(entry.substr(0, entry.find('='))))
            out.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value)
            out.push_back(name + "=" + *value);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& t : texts)
        out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, std::string outputFile,
                           const std::map<std::string, std::optional<std::string>>& environment)
    : outputFile_(std::move(outputFile)) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> env = Environment(environment);
    auto args = Pointers(argv);
    auto envp = Pointers(env);
    const int failed =
        posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        throw std::runtime_error("cannot start " + argv[0]);
}

ChildProcess::~ChildProcess() {
    if (!Running())
        return;
    ::kill(pid_, SIGTERM);
    Wait(std::chrono::seconds(5)); // kills it when it does not end by then
}

bool ChildProcess::Running() const {
    if (ended_)
        return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_)
        ended_ = true;
    return !ended_;
}

std::string ChildProcess::Output() const {
    std::ifstream in(outputFile_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ChildProcess::WaitForOutput(std::string_view needle, std::chrono::milliseconds timeout) const {
    const auto end = Steady::now() + timeout;
    for (;;) {
        if (Output().find(needle) != std::string::npos)
            return true;
        if (!Running() || Steady::now() >= end)
            return Output().find(needle) != std::string::npos;
        std::this_thread::sleep_for(kPoll);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    const auto end = Steady::now() + timeout;
    while (Running()) {
        if (Steady::now() >= end) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
            ended_ = true;
            return std::nullopt;
        }
        std::this_thread::sleep_for(kPoll);
    }
    if (!WIFEXITED(status_))
        return std::nullopt;
    return WEXITSTATUS(status_);
}

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no free port on 127.0.0.1");
    ::close(fd);
    return ntohs(address.sin_port);
}

bool WaitForLoopbackPort(std::uint16_t port, std::chrono::milliseconds timeout) {
    const auto end = Steady::now() + timeout;
    const sockaddr_in address = Loopback(port);
    for (;;) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool open =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (open)
            return true;
        if (Steady::now() >= end)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
}

} // namespace torvel::test
