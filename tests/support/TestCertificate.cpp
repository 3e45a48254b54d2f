#include "support/TestCertificate.h"

#include "support/Sockets.h"
#include "support/UniqueFolder.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>

namespace quorvane::test {

namespace {

struct KeyFree
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree
{
    void operator()(X509* cert) const { X509_free(cert); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using CertPtr = std::unique_ptr<X509, CertFree>;

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("TestCertificate: ") + what);
}

KeyPtr newKey(TestCertificate::KeyKind kind)
{
#ifdef _WIN32
    // wine's crypt32 fails a few percent of ECDSA signatures as invalid when it checks a chain (error
    // mask 0x8), so Windows builds sign with RSA, whose signatures it checks reliably.
    kind = TestCertificate::KeyKind::Rsa;
#endif
    // P-256 keys otherwise: generated in microseconds, accepted by every TLS stack.
    KeyPtr key(kind == TestCertificate::KeyKind::Rsa ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256"));
    if (!key)
        fail("key generation failed");
    return key;
}

bool isIpAddress(const std::string& name)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, name.c_str(), buffer) == 1 || inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (!extension)
        fail("bad certificate extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

CertPtr newCertificate(EVP_PKEY* key, const char* commonName, long serial)
{
    CertPtr cert(X509_new());
    if (!cert)
        fail("X509_new failed");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                               -1, -1, 0);
    return cert;
}

void sign(X509* cert, X509* issuer, EVP_PKEY* issuerKey)
{
    X509_set_issuer_name(cert, X509_get_subject_name(issuer));
    if (X509_sign(cert, issuerKey, EVP_sha256()) <= 0)
        fail("signing failed");
}

template <typename Write> void writePem(const std::string& path, Write write)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        fail("cannot write into the temporary folder");
    const bool ok = write(file) == 1;
    std::fclose(file);
    if (!ok)
        fail("PEM output failed");
}

} // namespace

TestCertificate::TestCertificate(std::vector<std::string> names, KeyKind keys)
{
    try {
        m_folder = createUniqueFolder("quorvane-cert-").string();
    } catch (const std::runtime_error&) {
        fail("cannot create a temporary folder");
    }
    m_caFile = m_folder + "/ca.pem";
    m_certFile = m_folder + "/server.pem";
    m_keyFile = m_folder + "/server-key.pem";

    try {
        // Every authority has a name and serial numbers of its own: a certificate store that has seen
        // another run's root of the same name (wine's crypt32 keeps them across processes) could
        // otherwise take it as the issuer and fail the signature.
        std::random_device seed;
        std::mt19937_64 random(seed());
        const std::uint64_t run = random() >> 1;
        char rootName[64];
        std::snprintf(rootName, sizeof rootName, "Quorvane Test Root %016llx",
                      static_cast<unsigned long long>(run));
        KeyPtr caKey = newKey(keys);
        CertPtr ca = newCertificate(caKey.get(), rootName, static_cast<long>(random() >> 34) + 1);
        X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
        addExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
        addExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
        addExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
        sign(ca.get(), ca.get(), caKey.get());

        KeyPtr serverKey = newKey(keys);
        CertPtr server = newCertificate(serverKey.get(), names.empty() ? "server" : names.front().c_str(),
                                        static_cast<long>(random() >> 34) + 1);
        std::string alternativeNames;
        for (const std::string& name : names)
            alternativeNames += (alternativeNames.empty() ? "" : ",") +
                                std::string(isIpAddress(name) ? "IP:" : "DNS:") + name;
        addExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
        addExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature");
        addExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
        addExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
        if (!alternativeNames.empty())
            addExtension(server.get(), ca.get(), NID_subject_alt_name, alternativeNames);
        sign(server.get(), ca.get(), caKey.get());

        writePem(m_caFile, [&](FILE* f) { return PEM_write_X509(f, ca.get()); });
        writePem(m_certFile, [&](FILE* f) { return PEM_write_X509(f, server.get()); });
        writePem(m_keyFile, [&](FILE* f) {
            return PEM_write_PrivateKey(f, serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
        });
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

TestCertificate::~TestCertificate()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

} // namespace quorvane::test
