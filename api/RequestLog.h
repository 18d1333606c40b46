// The opt-in request log for support (--log FILE or TORVEL_LOG): one line per request appended
// to a file, with no password and no cookie value. Off unless a file is named.
#pragma once

#include <cstdint>
#include <string>

namespace torvel {

struct RequestLogEntry {
    std::string method;     // "GET", "POST"
    std::string address;    // as the caller gave it
    std::string route;      // "via http://host:port" or "direct"
    std::string statusLine; // the reply's, "" when none arrived
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    long long milliseconds = 0;
    std::string failure; // "" when the request succeeded
};

// Every transport of the process logs to `path` from now on; "" turns the log off. Creates the
// file (mode 0600) when it is missing, and throws std::runtime_error naming the file when it
// cannot be opened for appending.
void SetRequestLog(const std::string& path);
bool RequestLogOn();

// Appends the entry's line, stamped with the local time: a log that cannot be written any more
// is not worth failing a request for, so nothing is reported then.
void AppendToRequestLog(const RequestLogEntry& entry);

// The line as written, without its time stamp and its line break.
std::string RequestLogLine(const RequestLogEntry& entry);

} // namespace torvel
