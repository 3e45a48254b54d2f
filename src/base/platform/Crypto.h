#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The system's cipher library behind a few calls: OpenSSL's libcrypto on Linux, CNG (BCrypt) and
// CryptBinaryToString on Windows. Bytes go in and come out as std::string.
//
// Two exceptions, in OpenSslCiphers.cpp for both systems: CNG has no SM3, and the CNG of wine (where the
// Windows build's tests run) has no RC4, so the Windows build takes these two from the static OpenSSL
// libcrypto of its dependency build; AES, MD5 and base64 stay with CNG there.

// AES-128 in CBC mode with PKCS#7 padding. `key` and `iv` are 16 bytes each; std::nullopt when they are
// not, or when the library fails.
std::optional<std::string> aes128CbcEncrypt(std::string_view key, std::string_view iv,
                                            std::string_view plaintext);

// Standard base64 (RFC 4648, "+/" with "=" padding, no line breaks).
std::string base64Encode(std::string_view bytes);

// The SM3 hash (GB/T 32905): 32 bytes; empty only when the library fails.
std::string sm3(std::string_view bytes);

// The MD5 hash: 16 bytes; empty only when the library fails. For the platform's request signature,
// which is defined over MD5; never for anything that needs collision resistance.
std::string md5(std::string_view bytes);

// RC4: `bytes` XORed with the key stream of `key` (1 to 256 bytes), so the same call decrypts.
// std::nullopt for another key length or when the library fails (OpenSSL 3 keeps RC4 in its legacy
// provider, which a system may lack). For the platform's request signature only.
std::optional<std::string> rc4(std::string_view key, std::string_view bytes);

} // namespace quorvane
