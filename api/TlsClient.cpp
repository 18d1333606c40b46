#include "api/TlsClient.h"

#include <boost/asio/error.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl/error.hpp>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include "api/TransportError.h"

namespace torvel {

namespace asio = boost::asio;
namespace ssl = asio::ssl;

namespace {

std::string VerifyFailure(long result) {
    switch (result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return "self-signed certificate";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "unable to get local issuer certificate";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "certificate has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "certificate is not yet valid";
    case X509_V_ERR_HOSTNAME_MISMATCH:
        return "certificate is for another host name";
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "certificate is for another IP address";
    default:
        return X509_verify_cert_error_string(result);
    }
}

int SslReason(const boost::system::error_code& ec) {
    if (ec.category() != asio::error::get_ssl_category())
        return 0;
    return ERR_GET_REASON(static_cast<unsigned long>(ec.value()));
}

} // namespace

ssl::context MakeTlsContext(const std::string& caFile) {
    ssl::context context(ssl::context::tls_client);
    SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
    boost::system::error_code ec;
    context.set_default_verify_paths(ec);
    if (!caFile.empty()) {
        context.load_verify_file(caFile, ec);
        if (ec)
            throw TransportError("Cannot read the certificates file \"" + caFile + "\".");
    }
    context.set_verify_mode(ssl::verify_peer);
    return context;
}

void PrepareTlsConnection(SSL* ssl, const std::string& host) {
    boost::system::error_code notAddress;
    asio::ip::make_address(host, notAddress);
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (notAddress) {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(ssl, host.c_str());
    } else {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    }
}

std::string HandshakeFailureText(const boost::system::error_code& ec, SSL* ssl) {
    if (ec == asio::error::timed_out)
        return std::string(kTlsStalledText);
    const long verified = SSL_get_verify_result(ssl);
    if (verified != X509_V_OK)
        return "SSL negotiation failed: certificate verify failed (" + VerifyFailure(verified) +
               ").";
    if (IsTlsClose(ec) || ec == asio::error::eof)
        return std::string(kTlsClosedText);
    switch (SslReason(ec)) {
    case 0:
        return FailureText(ec); // the socket's own failure
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_RECORD_LENGTH_MISMATCH:
    case SSL_R_HTTP_REQUEST:
        return std::string(kNotTlsText);
    default:
        if (const char* reason = ERR_reason_error_string(static_cast<unsigned long>(ec.value())))
            return std::string("SSL negotiation failed: ") + reason + ".";
        return "SSL negotiation failed: " + ec.message() + ".";
    }
}

std::string TlsSessionText(SSL* ssl) {
    const char* cipher = SSL_get_cipher_name(ssl);
    return std::string(SSL_get_version(ssl)) + ", " + (cipher ? cipher : "no cipher");
}

std::string PeerCertificateText(SSL* ssl) {
    X509* cert = SSL_get0_peer_certificate(ssl);
    // After a failed verification only the chain as received is kept; its first is the leaf.
    if (STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl); !cert && chain && sk_X509_num(chain))
        cert = sk_X509_value(chain, 0);
    if (!cert)
        return {};
    auto name = [](const X509_NAME* n) {
        char text[512];
        X509_NAME_oneline(n, text, sizeof text);
        return std::string(text);
    };
    std::string expiry;
    if (BIO* bio = BIO_new(BIO_s_mem())) {
        ASN1_TIME_print(bio, X509_get0_notAfter(cert));
        char* data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        expiry.assign(data, static_cast<std::size_t>(n));
        BIO_free(bio);
    }
    return "subject " + name(X509_get_subject_name(cert)) + ", issuer " +
           name(X509_get_issuer_name(cert)) + ", expires " + expiry;
}

bool IsTlsClose(const boost::system::error_code& ec) {
    return ec == ssl::error::stream_truncated ||
           SslReason(ec) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

} // namespace torvel
