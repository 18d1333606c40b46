// The real peers that network tests start on the loopback: the reference order server
// (torvel-server, over http or https) and an HTTP proxy (tinyproxy from Debian, with or without a
// password), each in its own process, stopped when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestCertificates.h"

namespace torvel::test {

class OrderServerProcess {
public:
    // Serves its demo data from `dir`/server.db on a free port; https with `tls` when given.
    // Throws std::runtime_error when it does not start.
    OrderServerProcess(const std::string& executable, const std::filesystem::path& dir,
                       const TlsFiles* tls = nullptr);

    std::string HostPort() const { return hostPort_; } // "127.0.0.1:<port>"
    std::uint16_t Port() const;

private:
    std::unique_ptr<ChildProcess> process_;
    std::string hostPort_;
};

class ProxyProcess {
public:
    // The installed tinyproxy, "" when it is not installed.
    static std::string Executable();

    // Listens on a free port of 127.0.0.1 and logs each request line it receives; with a user,
    // it asks for that user and password (Basic). Throws std::runtime_error when it does not
    // start.
    explicit ProxyProcess(const std::filesystem::path& dir, const std::string& user = {},
                          const std::string& password = {});

    std::string HostPort() const;                            // "127.0.0.1:<port>"
    std::string Url(const std::string& userInfo = {}) const; // "http://[userInfo@]127.0.0.1:<port>"
    // Its log so far, where each request line it received appears.
    std::string Log() const { return process_->Output(); }

private:
    std::uint16_t port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace torvel::test
