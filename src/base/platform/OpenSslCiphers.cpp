#include "base/platform/Crypto.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/provider.h>

// What both systems take from OpenSSL's libcrypto (see Crypto.h): SM3, which CNG lacks, and RC4, which
// the CNG of wine (where the Windows build's tests run) lacks.

namespace quorvane {

namespace {

// RC4 lives in OpenSSL 3's legacy provider (a module on Linux, built into the static Windows library).
// It is loaded into a library context of its own: loading it into the default context would stop
// OpenSSL from loading the default provider there by itself. The context and the fetched cipher stay
// for the life of the program (null when the provider is missing).
EVP_CIPHER* legacyRc4()
{
    static EVP_CIPHER* const cipher = []() -> EVP_CIPHER* {
        OSSL_LIB_CTX* context = OSSL_LIB_CTX_new();
        if (!context)
            return nullptr;
        if (!OSSL_PROVIDER_load(context, "legacy")) {
            OSSL_LIB_CTX_free(context);
            return nullptr;
        }
        return EVP_CIPHER_fetch(context, "RC4", nullptr);
    }();
    return cipher;
}

} // namespace

std::string sm3(std::string_view bytes)
{
    std::string out(32, '\0');
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(out.data()), &length,
                   EVP_sm3(), nullptr) != 1 ||
        length != 32)
        return std::string();
    return out;
}

std::optional<std::string> rc4(std::string_view key, std::string_view bytes)
{
    if (key.empty() || key.size() > 256 || bytes.size() > (1u << 30))
        return std::nullopt;
    EVP_CIPHER* const cipher = legacyRc4();
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  &EVP_CIPHER_CTX_free);
    if (!cipher || !context)
        return std::nullopt;
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
    std::string out(bytes.size(), '\0');
    auto* into = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    int last = 0;
    // The key length is set between choosing the cipher and giving the key.
    if (EVP_EncryptInit_ex2(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) != 1 ||
        EVP_EncryptInit_ex2(context.get(), nullptr, keyBytes, nullptr, nullptr) != 1 ||
        EVP_EncryptUpdate(context.get(), into, &written, reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), into + written, &last) != 1 ||
        static_cast<std::size_t>(written + last) != bytes.size())
        return std::nullopt;
    return out;
}

} // namespace quorvane
