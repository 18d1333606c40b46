// The failures of a request to the order server and the texts the error box shows for them.
#pragma once

#include <boost/system/error_code.hpp>

#include <string>
#include <string_view>

#include "util/Errors.h"

namespace torvel {

// Any failure of a request: the text is what the error box shows.
class TransportError : public Error {
public:
    using Error::Error;
};

// Failure texts that callers and tests compare against.
inline constexpr std::string_view kConnectionClosedText = "Connection Closed Gracefully.";
inline constexpr std::string_view kTimedOutText = "Socket Error # 110\r\nConnection timed out.";
inline constexpr std::string_view kBusyText = "Another request is still in progress.";

// "Socket Error # <n>\r\n<description>." for a system error number.
std::string SocketErrorText(int errorNumber);

// The text of a failed connect, write or read: name resolution, sockets, time-outs, and the
// reply reading's own failures (a close too early, limits, bytes that are not HTTP).
std::string FailureText(const boost::system::error_code& ec);

} // namespace torvel
