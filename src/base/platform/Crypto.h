#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The system's cipher library behind two calls: OpenSSL's libcrypto on Linux, CNG (BCrypt) and
// CryptBinaryToString on Windows. Bytes go in and come out as std::string.

// AES-128 in CBC mode with PKCS#7 padding. `key` and `iv` are 16 bytes each; std::nullopt when they are
// not, or when the library fails.
std::optional<std::string> aes128CbcEncrypt(std::string_view key, std::string_view iv,
                                            std::string_view plaintext);

// Standard base64 (RFC 4648, "+/" with "=" padding, no line breaks).
std::string base64Encode(std::string_view bytes);

} // namespace quorvane
