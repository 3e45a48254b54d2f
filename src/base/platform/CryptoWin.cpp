#include "base/platform/Crypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

namespace quorvane {

namespace {

// Closes a CNG handle when it goes out of scope.
template <typename Handle, auto close> struct Owned
{
    Handle handle = nullptr;
    ~Owned()
    {
        if (handle)
            close(handle);
    }
};

void closeAlgorithm(BCRYPT_ALG_HANDLE handle)
{
    BCryptCloseAlgorithmProvider(handle, 0);
}

} // namespace

std::optional<std::string> aes128CbcEncrypt(std::string_view key, std::string_view iv,
                                            std::string_view plaintext)
{
    if (key.size() != 16 || iv.size() != 16 || plaintext.size() > (1u << 30))
        return std::nullopt;
    Owned<BCRYPT_ALG_HANDLE, closeAlgorithm> algorithm;
    Owned<BCRYPT_KEY_HANDLE, BCryptDestroyKey> keyHandle;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    auto* mode = reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC));
    if (!BCRYPT_SUCCESS(BCryptSetProperty(algorithm.handle, BCRYPT_CHAINING_MODE, mode,
                                          sizeof(BCRYPT_CHAIN_MODE_CBC), 0)))
        return std::nullopt;
    std::string keyBytes(key);
    if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm.handle, &keyHandle.handle, nullptr, 0,
                                                   reinterpret_cast<PUCHAR>(keyBytes.data()), 16, 0)))
        return std::nullopt;
    // CNG updates the IV it is given; each call gets its own copy.
    std::string ivBytes(iv);
    std::string input(plaintext);
    std::string out(plaintext.size() + 16, '\0');
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptEncrypt(
            keyHandle.handle, reinterpret_cast<PUCHAR>(input.data()), static_cast<ULONG>(input.size()),
            nullptr, reinterpret_cast<PUCHAR>(ivBytes.data()), 16, reinterpret_cast<PUCHAR>(out.data()),
            static_cast<ULONG>(out.size()), &written, BCRYPT_BLOCK_PADDING)))
        return std::nullopt;
    out.resize(written);
    return out;
}

std::string base64Encode(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD length = 0;
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &length))
        return std::string();
    std::string out(length, '\0');
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, out.data(), &length))
        return std::string();
    out.resize(length); // without the terminating zero
    return out;
}

std::string md5(std::string_view bytes)
{
    Owned<BCRYPT_ALG_HANDLE, closeAlgorithm> algorithm;
    Owned<BCRYPT_HASH_HANDLE, BCryptDestroyHash> hash;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_MD5_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0)))
        return std::string();
    std::string input(bytes);
    std::string out(16, '\0');
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.handle, reinterpret_cast<PUCHAR>(input.data()),
                                       static_cast<ULONG>(input.size()), 0)) ||
        !BCRYPT_SUCCESS(BCryptFinishHash(hash.handle, reinterpret_cast<PUCHAR>(out.data()), 16, 0)))
        return std::string();
    return out;
}

} // namespace quorvane
