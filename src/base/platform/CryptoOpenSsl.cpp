#include "base/platform/Crypto.h"

#include <memory>
#include <openssl/evp.h>

namespace quorvane {

std::optional<std::string> aes128CbcEncrypt(std::string_view key, std::string_view iv,
                                            std::string_view plaintext)
{
    if (key.size() != 16 || iv.size() != 16 || plaintext.size() > (1u << 30))
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  &EVP_CIPHER_CTX_free);
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

} // namespace quorvane
