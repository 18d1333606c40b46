// Certificates made at test time with OpenSSL: a private CA, server certificates it signs
// (good, expired, for another name) and a self-signed one, written as PEM files into a folder.
#pragma once

#include <filesystem>
#include <string>

namespace torvel::test {

// A server's certificate chain and private key, as PEM files.
struct TlsFiles {
    std::string certFile;
    std::string keyFile;
};

struct TestCertificates {
    // Writes every file into `dir`; throws std::runtime_error when OpenSSL fails.
    explicit TestCertificates(const std::filesystem::path& dir);

    std::string caFile;  // the CA's certificate: what a client must trust
    TlsFiles trusted;    // for 127.0.0.1 and localhost, valid now, signed by the CA
    TlsFiles expired;    // the same names, expired yesterday
    TlsFiles otherHost;  // for other.example only
    TlsFiles selfSigned; // for 127.0.0.1 and localhost, signed by its own key
};

} // namespace torvel::test
