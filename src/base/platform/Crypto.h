#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The system's cipher library behind a few calls: OpenSSL's libcrypto on Linux, CNG (BCrypt) and
// CryptBinaryToString on Windows. Bytes go in and come out as std::string.
//
// SM3 is the one exception: CNG has no SM3, so the Windows build takes SM3 alone from the static
// OpenSSL libcrypto of its dependency build (Sm3OpenSsl.cpp serves both systems); AES, base64, MD5
// and RC4 stay with CNG there.

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
