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

namespace {

std::string toHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        hex.push_back(digits[static_cast<unsigned char>(byte) >> 4]);
        hex.push_back(digits[static_cast<unsigned char>(byte) & 15]);
    }
    return hex;
}

} // namespace

// GB/T 32905's two examples: one block, and a message that fills a block exactly so that the padding
// takes a second one.
TEST(Crypto, Sm3MatchesTheStandardsExamples)
{
    EXPECT_EQ(toHex(sm3("abc")), "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
    std::string sixtyFour;
    for (int i = 0; i < 16; ++i)
        sixtyFour += "abcd";
    EXPECT_EQ(toHex(sm3(sixtyFour)), "debe9ff92275b8a138604889c18e5a4d6fdb70e5387e5765293dcba39c0c5732");
    // Zero bytes are data, not an end.
    EXPECT_EQ(sm3(std::string_view("a\0b", 3)).size(), 32u);
    EXPECT_NE(sm3(std::string_view("a\0b", 3)), sm3("a"));
    EXPECT_EQ(toHex(sm3("")), "1ab21d8355cfa17f8e61194831e81a8f22bec8c728fefb747ed035eb5082aa2b");
}

// RFC 1321's test suite, a few of its lines.
TEST(Crypto, Md5MatchesRfc1321)
{
    EXPECT_EQ(toHex(md5("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(toHex(md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(toHex(md5("message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(toHex(md5("12345678901234567890123456789012345678901234567890123456789012345678901234567890")),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// RFC 6229's 40-bit key, the classic "Secret" example, and the one- and three-byte keys the platform's
// signature uses (whose key length must reach the cipher, not be padded to its default).
TEST(Crypto, Rc4MatchesKnownKeyStreamsForShortKeys)
{
    const auto stream = [](std::string_view key, std::size_t length) {
        const auto out = rc4(key, std::string(length, '\0'));
        return out ? toHex(*out) : std::string("failed");
    };
    EXPECT_EQ(stream(fromHex("0102030405"), 16), "b2396305f03dc027ccc3524a0a1118a8");
    EXPECT_EQ(toHex(rc4("Secret", "Attack at dawn").value_or("")), "45a01f645fc35b383552544b9bf5");
    EXPECT_EQ(stream("y", 16), "4584a44284e74935e9a0aa7337c4813d");
    EXPECT_EQ(stream(std::string_view("\x00\x01\x0e", 3), 8), "d8e9ee94c3887188");
    // The same call decrypts.
    const std::string cipher = rc4("Secret", "Attack at dawn").value_or("");
    EXPECT_EQ(rc4("Secret", cipher), "Attack at dawn");
    EXPECT_EQ(rc4("k", ""), "");
    EXPECT_FALSE(rc4("", "text"));
    EXPECT_FALSE(rc4(std::string(257, 'k'), "text"));
}
