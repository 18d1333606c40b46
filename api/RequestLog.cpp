#include "api/RequestLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

#include "api/ReplyReader.h"
#include "util/Clock.h"

namespace torvel {

namespace {

std::string logPath;

int OpenForAppending(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
}

// A failure text keeps to the one line: its line breaks become blanks.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}

} // namespace

void SetRequestLog(const std::string& path) {
    if (!path.empty()) {
        const int fd = OpenForAppending(path);
        if (fd < 0)
            throw std::runtime_error("Cannot write the request log \"" + path +
                                     "\": " + std::strerror(errno) + ".");
        ::close(fd);
    }
    logPath = path;
}

bool RequestLogOn() {
    return !logPath.empty();
}

std::string RequestLogLine(const RequestLogEntry& entry) {
    std::string line =
        entry.method + " " + entry.address + " " + entry.route + " " +
        (entry.statusLine.empty() ? "-" : std::to_string(StatusCode(entry.statusLine))) + " sent " +
        std::to_string(entry.sent) + " received " + std::to_string(entry.received) + " " +
        std::to_string(entry.milliseconds) + " ms";
    if (!entry.failure.empty())
        line += " failed: " + OneLine(entry.failure);
    return line;
}

void AppendToRequestLog(const RequestLogEntry& entry) {
    if (logPath.empty()) // off: nothing is formatted either
        return;
    const LocalTime t = LocalNow();
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond);
    const std::string line = stamp + RequestLogLine(entry) + "\n";
    const int fd = OpenForAppending(logPath);
    if (fd < 0)
        return;
    // One write of the whole line, so that two programs logging to one file do not interleave.
    [[maybe_unused]] ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace torvel
