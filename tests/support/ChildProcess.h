// A program started by a test (a real peer such as torvel-server or tinyproxy, or the program
// under test), its output and error output collected in a file, stopped with SIGTERM (then
// SIGKILL) when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvel::test {

class ChildProcess {
public:
    // Starts argv[0] (a path) with the test's environment, changed by `environment` (a value of
    // std::nullopt unsets the variable); output and error output go to `outputFile`. Throws
    // std::runtime_error when it cannot be started.
    ChildProcess(std::vector<std::string> argv, std::string outputFile,
                 const std::map<std::string, std::optional<std::string>>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Everything written so far.
    std::string Output() const;
    // Waits until the output holds `needle`; false on time-out or when the program ended first.
    bool WaitForOutput(std::string_view needle, std::chrono::milliseconds timeout) const;
    // Waits for the program to end: its exit status, or std::nullopt on time-out (the program
    // is killed then) or when a signal ended it.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

private:
    bool Running() const;
    pid_t pid_ = -1;
    std::string outputFile_;
    mutable bool ended_ = false;
    mutable int status_ = 0;
};

// A free TCP port on 127.0.0.1 for a peer that cannot pick its own (bound, then released).
std::uint16_t FreeLoopbackPort();
// Waits until something accepts connections on the port of 127.0.0.1; false on time-out.
bool WaitForLoopbackPort(std::uint16_t port, std::chrono::milliseconds timeout);

} // namespace torvel::test
