#include "base/platform/Crypto.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

namespace {

std::string fromHex(std::string_view hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

} // namespace

// NIST SP 800-38A F.2.1: four blocks of CBC-AES128. With PKCS#7 a whole sixteen-byte block of padding
// follows them, which must not disturb the four blocks before it.
TEST(Crypto, Aes128CbcMatchesTheNistVectorAndPadsAFullBlock)
{
    const std::string key = fromHex("2b7e151628aed2a6abf7158809cf4f3c");
    const std::string iv = fromHex("000102030405060708090a0b0c0d0e0f");
    const std::string plaintext = fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                          "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const auto cipher = aes128CbcEncrypt(key, iv, plaintext);
    ASSERT_TRUE(cipher);
    ASSERT_EQ(cipher->size(), 80u);
    EXPECT_EQ(cipher->substr(0, 64),
              fromHex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
                      "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"));
    // Lengths that are not a multiple of the block round up; an empty text still gets its padding block.
    EXPECT_EQ(aes128CbcEncrypt(key, iv, "x")->size(), 16u);
    EXPECT_EQ(aes128CbcEncrypt(key, iv, std::string(17, 'x'))->size(), 32u);
    EXPECT_EQ(aes128CbcEncrypt(key, iv, "")->size(), 16u);
    // The IV is used: another IV, another first block.
    EXPECT_NE(aes128CbcEncrypt(key, key, plaintext)->substr(0, 16), cipher->substr(0, 16));
}

TEST(Crypto, Aes128CbcRefusesKeysAndIvsOfTheWrongSize)
{
    const std::string sixteen(16, 'k');
    EXPECT_FALSE(aes128CbcEncrypt(sixteen.substr(0, 15), sixteen, "text"));
    EXPECT_FALSE(aes128CbcEncrypt(sixteen + "k", sixteen, "text"));
    EXPECT_FALSE(aes128CbcEncrypt(sixteen, "", "text"));
    EXPECT_FALSE(aes128CbcEncrypt("", "", ""));
}

// RFC 4648's vectors, every padding length, and bytes that need "+" and "/" and zero bytes.
TEST(Crypto, Base64MatchesRfc4648)
{
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode(fromHex("fbff00")), "+/8A");
    // Long input comes out on one line.
    const std::string encoded = base64Encode(std::string(300, '\xAB'));
    EXPECT_EQ(encoded.size(), 400u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
}
