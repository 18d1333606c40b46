#include "tests/support/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace torvel::test {

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

constexpr long kDay = 24 * 60 * 60;

void Check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificates: ") + what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Check(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* cert, X509V3_CTX& ctx, int nid, const char* value) {
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

// Valid from `from` to `to` seconds from now. Without an issuer it signs itself.
Cert MakeCert(EVP_PKEY* key, const char* commonName, const char* altNames, bool isCa, long from,
              long to, X509* issuer = nullptr, EVP_PKEY* issuerKey = nullptr) {
    static long serial = 1;
    Cert cert(X509_new(), &X509_free);
    Check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), from);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), to);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);

    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer : cert.get(), cert.get(), nullptr, nullptr, 0);
    AddExtension(cert.get(), ctx, NID_basic_constraints, isCa ? "critical,CA:TRUE" : "CA:FALSE");
    AddExtension(cert.get(), ctx, NID_key_usage,
                 isCa ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    AddExtension(cert.get(), ctx, NID_subject_key_identifier, "hash");
    if (altNames)
        AddExtension(cert.get(), ctx, NID_subject_alt_name, altNames);
    Check(X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signature");
    return cert;
}

void WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
    FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr, "cannot write a PEM file");
    bool ok = cert ? PEM_write_X509(file, cert) == 1
                   : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    ok = std::fclose(file) == 0 && ok;
    Check(ok, "PEM file");
}

TlsFiles Write(const std::filesystem::path& dir, const std::string& name, X509* cert,
               EVP_PKEY* key) {
    TlsFiles files{(dir / (name + ".pem")).string(), (dir / (name + ".key")).string()};
    WritePem(files.certFile, cert, nullptr);
    WritePem(files.keyFile, nullptr, key);
    return files;
}

} // namespace

TestCertificates::TestCertificates(const std::filesystem::path& dir) {
    constexpr const char* kLocal = "IP:127.0.0.1,DNS:localhost";
    Key caKey = NewKey();
    Cert ca = MakeCert(caKey.get(), "Torvel Test CA", nullptr, true, -kDay, 30 * kDay);
    caFile = (dir / "ca.pem").string();
    WritePem(caFile, ca.get(), nullptr);

    Key key = NewKey();
    Cert good =
        MakeCert(key.get(), "127.0.0.1", kLocal, false, -kDay, 30 * kDay, ca.get(), caKey.get());
    trusted = Write(dir, "trusted", good.get(), key.get());
    Cert old =
        MakeCert(key.get(), "127.0.0.1", kLocal, false, -30 * kDay, -kDay, ca.get(), caKey.get());
    expired = Write(dir, "expired", old.get(), key.get());
    Cert other = MakeCert(key.get(), "other.example", "DNS:other.example", false, -kDay, 30 * kDay,
                          ca.get(), caKey.get());
    otherHost = Write(dir, "other", other.get(), key.get());
    Cert self = MakeCert(key.get(), "127.0.0.1", kLocal, false, -kDay, 30 * kDay);
    selfSigned = Write(dir, "self", self.get(), key.get());
}

} // namespace torvel::test
