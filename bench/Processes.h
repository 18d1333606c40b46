// Child processes for the benchmarks: the reference tools they are compared with (curl, grep),
// the reference order server, and this program's own memory figures.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace torvel::bench {

// Runs a program to its end with its output into `stdoutPath` ("/dev/null" allowed) and its
// errors discarded; returns its exit status, or -1 when it could not be started or was killed.
int RunProcess(const std::vector<std::string>& argv, const std::string& stdoutPath);
// The same, with the output kept and returned; status in `status`.
std::string RunProcessOutput(const std::vector<std::string>& argv, int& status);

// torvel-server on a free loopback port over a database; stopped when this object goes.
class ServerProcess {
public:
    // Throws std::runtime_error when the server does not start.
    ServerProcess(const std::string& serverPath, const std::string& dbPath);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    const std::string& HostPort() const { return hostPort_; } // "127.0.0.1:<port>"

private:
    pid_t pid_ = -1;
    std::string hostPort_;
};

// From /proc/self/status, in kB: the resident set now and its peak so far.
long ResidentKb();
long PeakResidentKb();
// Starts the peak over from the resident set now.
void ResetPeakResident();

} // namespace torvel::bench
