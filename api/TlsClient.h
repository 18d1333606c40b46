// TLS for https addresses: the client context (TLS 1.2 or newer; the system's trust store plus
// an optional file of CA certificates), the checks each connection asks of OpenSSL (server name,
// certificate chain, host name or IP address), and the failure texts. There is no way to turn
// the checks off.
#pragma once

#include <boost/asio/ssl/context.hpp>
#include <boost/system/error_code.hpp>

#include <openssl/ssl.h>

#include <string>
#include <string_view>

namespace torvel {

inline constexpr std::string_view kTlsStalledText =
    "SSL negotiation failed: the server did not complete the handshake in time.";
inline constexpr std::string_view kTlsClosedText =
    "SSL negotiation failed: the server closed the connection.";
inline constexpr std::string_view kNotTlsText =
    "SSL negotiation failed: the server did not answer in TLS.";

// Trusts OpenSSL's default paths (so SSL_CERT_FILE and SSL_CERT_DIR apply) and, when `caFile`
// is not empty, the PEM certificates in it. Throws TransportError when that file cannot be read.
boost::asio::ssl::context MakeTlsContext(const std::string& caFile);

// Before the handshake: the name sent (SNI, for host names only) and the name or address the
// certificate must be for.
void PrepareTlsConnection(SSL* ssl, const std::string& host);

// The text of a handshake that failed with `ec`, such as
// "SSL negotiation failed: certificate verify failed (self-signed certificate)."
std::string HandshakeFailureText(const boost::system::error_code& ec, SSL* ssl);

// For a trace of the connection: "TLSv1.3, TLS_AES_256_GCM_SHA384".
std::string TlsSessionText(SSL* ssl);
// For a trace: the server certificate's subject, issuer and expiry, "" when it sent none.
std::string PeerCertificateText(SSL* ssl);

// A read error that is the peer's close of a TLS stream, with or without its close_notify.
bool IsTlsClose(const boost::system::error_code& ec);

} // namespace torvel
