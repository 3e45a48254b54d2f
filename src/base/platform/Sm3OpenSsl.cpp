#include "base/platform/Crypto.h"

#include <openssl/evp.h>

namespace quorvane {

// OpenSSL on both systems (see Crypto.h): CNG has no SM3.
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

} // namespace quorvane
