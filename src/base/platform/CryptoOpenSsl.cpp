#include "base/platform/Crypto.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace quorvane {

namespace {

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// RC4 lives in OpenSSL 3's legacy provider. It is loaded into a library context of its own: loading it
// into the default context would stop OpenSSL from loading the default provider there by itself. The
// context and the fetched cipher stay for the life of the program (null when the provider is missing).
EVP_CIPHER* legacyRc4()
{
    static EVP_CIPHER* const cipher = [] () -> EVP_CIPHER* {
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

std::optional<std::string> aes128CbcEncrypt(std::string_view key, std::string_view iv,
                                            std::string_view plaintext)
{
    if (key.size() != 16 || iv.size() != 16 || plaintext.size() > (1u << 30))
        return std::nullopt;
    const CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context)
        return std::nullopt;
    const auto bytes = [](std::string_view text) {
        return reinterpret_cast<const unsigned char*>(text.data());
    };
    // Padding adds one block at most.
    std::string out(plaintext.size() + 16, '\0');
    auto* into = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    int last = 0;
    if (EVP_EncryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, bytes(key), bytes(iv)) != 1 ||
        EVP_EncryptUpdate(context.get(), into, &written, bytes(plaintext),
                          static_cast<int>(plaintext.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), into + written, &last) != 1)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

std::string base64Encode(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    // Four characters for every three bytes begun, and the terminating zero EVP_EncodeBlock writes.
    std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::string md5(std::string_view bytes)
{
    std::string out(16, '\0');
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(out.data()), &length,
                   EVP_md5(), nullptr) != 1 ||
        length != 16)
        return std::string();
    return out;
}

std::optional<std::string> rc4(std::string_view key, std::string_view bytes)
{
    if (key.empty() || key.size() > 256 || bytes.size() > (1u << 30))
        return std::nullopt;
    EVP_CIPHER* const cipher = legacyRc4();
    const CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!cipher || !context)
        return std::nullopt;
    std::string out(bytes.size(), '\0');
    int written = 0;
    int last = 0;
    // The key length is set between choosing the cipher and giving the key.
    if (EVP_EncryptInit_ex2(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) != 1 ||
        EVP_EncryptInit_ex2(context.get(), nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                            nullptr, nullptr) != 1 ||
        EVP_EncryptUpdate(context.get(), reinterpret_cast<unsigned char*>(out.data()), &written,
                          reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), reinterpret_cast<unsigned char*>(out.data()) + written, &last) != 1)
        return std::nullopt;
    if (static_cast<std::size_t>(written + last) != bytes.size())
        return std::nullopt;
    return out;
}

} // namespace quorvane
