// A TLS front for tests: the server side of TLS, with a given certificate, relaying the plain
// bytes to and from a backend on loopback (a ScriptedServer), so that the backend records and
// answers exactly what travels inside the TLS stream.
//
//   ScriptedServer server;                     // answers as scripted
//   TlsFront front(certs.trusted, server.Port());
//   transport.Get(front.Url("/api/torvel/..."));  // "https://127.0.0.1:<port>/api/torvel/..."
//
// When the backend closes a connection, the front closes the client's without a close_notify,
// as many servers do. The front runs on its own thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tests/support/TestCertificates.h"

namespace torvel::test {

class TlsFront {
public:
    TlsFront(const TlsFiles& files, std::uint16_t backendPort); // listens at once
    ~TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    std::uint16_t Port() const;
    std::string HostPort() const;                         // "127.0.0.1:<port>"
    std::string Url(std::string_view target = "/") const; // "https://127.0.0.1:<port>" + target

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace torvel::test
