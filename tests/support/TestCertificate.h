#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::test {

// The host that HTTPS test addresses name. With a CA file, curl's Schannel backend checks the certificate
// itself and matches the host against DNS names only, never IP addresses, so Windows builds use
// "localhost" (the test certificate names both; the servers listen on 127.0.0.1 either way).
#ifdef _WIN32
inline constexpr std::string_view tlsHost = "localhost";
#else
inline constexpr std::string_view tlsHost = "127.0.0.1";
#endif

// A throw-away certificate authority and a server certificate it signed, generated when constructed and
// written as PEM files into a fresh temporary folder that is removed again on destruction. Give caFile()
// to a client as its trusted roots and the certificate to LocalServer. Throws std::runtime_error when
// OpenSSL fails.
class TestCertificate
{
public:
    // `names` become the server certificate's subject alternative names: IPv4/IPv6 addresses as IP
    // entries, everything else as DNS entries. Valid from an hour ago until a day from now.
    // The key kind: RSA for clients that check ECDSA chains unreliably (wine's crypt32 fails a few
    // percent of them); the default is RSA in Windows builds and P-256 elsewhere.
    enum class KeyKind
    {
        Default,
        Rsa
    };
    explicit TestCertificate(std::vector<std::string> names = {"127.0.0.1", "localhost"},
                             KeyKind keys = KeyKind::Default);
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    const std::string& caFile() const { return m_caFile; }            // CA certificate (PEM)
    const std::string& certificateFile() const { return m_certFile; } // server certificate (PEM)
    const std::string& keyFile() const { return m_keyFile; }          // server private key (PEM)
    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
    std::string m_caFile;
    std::string m_certFile;
    std::string m_keyFile;
};

} // namespace quorvane::test
