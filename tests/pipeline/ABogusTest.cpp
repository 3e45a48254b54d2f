#include "pipeline/lists/ABogus.h"

#include "base/platform/Crypto.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

constexpr std::string_view agent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/130.0.0.0 "
    "Safari/537.36";
constexpr std::string_view query = "device_platform=webapp&aid=6383&channel=channel_pc_web&sec_user_id="
                                   "MS4wLjABAAAAtest&max_cursor=0&count=18";
// A time of late 2026: its milliseconds divided by 2^32 no longer fit a byte.
constexpr std::int64_t startMs = 1796000000123;

// A clock that ticks 5 ms between its two readings, and random numbers from a fixed list.
ABogusSource fixedSource(std::vector<std::uint32_t> numbers)
{
    auto clock = std::make_shared<std::int64_t>(startMs - 5);
    auto next = std::make_shared<std::size_t>(0);
    return ABogusSource{[clock] { return *clock += 5; },
                        [numbers = std::move(numbers), next] { return numbers[(*next)++ % numbers.size()]; }};
}

// The signature's alphabet read back into bytes (each group of four characters is three bytes, '='
// ends the value).
std::vector<std::uint8_t> decodeAlphabet(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        const auto at = aBogusAlphabet.find(c);
        EXPECT_NE(at, std::string_view::npos) << "not in the alphabet: " << c;
        bits = (bits << 6) | static_cast<std::uint32_t>(at);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<std::uint8_t>((bits >> count) & 255));
        }
    }
    return bytes;
}

std::uint8_t byteAt(const std::string& hash, std::size_t at)
{
    return static_cast<std::uint8_t>(hash[at]);
}

// The User-Agent's hash as the page takes it: RC4 with the key 0, 1, 14, base64 in the page's second
// alphabet, SM3.
std::string agentHash(std::string_view userAgent)
{
    static constexpr std::string_view from =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    static constexpr std::string_view to = "ckdp1h4ZKsUB80/Mfvw36XIgR25+WQAlEi7NLboqYTOPuzmFjJnryx9HVGDaStCe";
    std::string text = base64Encode(rc4(std::string_view("\x00\x01\x0e", 3), userAgent).value());
    for (char& c : text)
        if (c != '=')
            c = to[from.find(c)];
    return sm3(text);
}

struct Decoded
{
    std::array<std::uint32_t, 3> prefixNumbers{};
    std::vector<std::uint8_t> plain; // after the stream cipher
};

Decoded decode(std::string_view value)
{
    const std::vector<std::uint8_t> bytes = decodeAlphabet(value);
    Decoded decoded;
    if (bytes.size() < 12)
        return decoded;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t* group = &bytes[4 * i];
        // The fixed bits of each prefix byte, and the number they carry.
        EXPECT_EQ(group[0] & 85, 1);
        EXPECT_EQ(group[1] & 170, 2);
        EXPECT_EQ(group[2] & 85, 5);
        EXPECT_EQ(group[3] & 170, 40);
        decoded.prefixNumbers[i] = (static_cast<std::uint32_t>((group[2] & 170) | (group[3] & 85)) << 8) |
                                   static_cast<std::uint32_t>((group[0] & 170) | (group[1] & 85));
    }
    const std::string cipher(bytes.begin() + 12, bytes.end());
    const std::string plain = rc4("y", cipher).value();
    decoded.plain.assign(plain.begin(), plain.end());
    return decoded;
}

// The page's numbered fields in the order it writes them; a value's place is its field's place here.
constexpr std::array<int, 44> fieldOrder = {18, 20, 52, 26, 30, 34, 58, 38, 40, 53, 42, 21, 27, 54, 55,
                                            31, 35, 57, 39, 41, 43, 22, 28, 32, 60, 36, 23, 29, 33, 37,
                                            44, 45, 59, 46, 47, 48, 49, 50, 24, 25, 65, 66, 70, 71};

std::uint32_t fieldOf(const Decoded& decoded, int field)
{
    for (std::size_t i = 0; i < fieldOrder.size(); ++i)
        if (fieldOrder[i] == field)
            return decoded.plain.at(i);
    ADD_FAILURE() << "no field " << field;
    return 0;
}

} // namespace

// Time and randomness fixed, the value read back: the prefix carries the random numbers, and behind the
// cipher stand the hashes of the query, the body and the User-Agent, both times, the fixed fields, the
// window description and the closing XOR.
TEST(ABogus, ReadBackCarriesTheHashesTimesAndFixedFields)
{
    const std::vector<std::uint32_t> numbers = {1500, 300, 20, 60, 1, 700, 50, 900, 100, 1234, 9876, 4321};
    const std::string value = aBogus(query, "", agent, fixedSource(numbers));
    ASSERT_FALSE(value.empty());
    // The whole value, as a separate implementation of the published algorithm computes it from the
    // same inputs (a regression anchor for what the read-back below does not see, such as the order of
    // the window bytes).
    EXPECT_EQ(value,
              "E7mhBmgIsnnifj6b559LfY3q6Vl3YmId0SVkMD2fZxfwHL39HMTa9exoFOTvhE8jFT/nIeSjy4hbTNxgrQAj8ryUHW"
              "4qUnQ2m6RgKl5Q5I0j53iruyRMrzfF4kt1FeeM5i93xcv0y75tFm70AoK74kIlO6ZCcHgOEisnO7L=");
    const Decoded decoded = decode(value);
    ASSERT_GT(decoded.plain.size(), 45u);
    // Nine numbers went into the window description; the prefix took the next three.
    EXPECT_EQ(decoded.prefixNumbers, (std::array<std::uint32_t, 3>{1234, 9876, 4321}));

    const std::string queryHash = sm3(sm3(std::string(query) + "cus"));
    const std::string bodyHash = sm3(sm3("cus"));
    const std::string userAgentHash = agentHash(agent);
    EXPECT_EQ(fieldOf(decoded, 38), byteAt(queryHash, 21));
    EXPECT_EQ(fieldOf(decoded, 39), byteAt(queryHash, 22));
    EXPECT_EQ(fieldOf(decoded, 40), byteAt(bodyHash, 21));
    EXPECT_EQ(fieldOf(decoded, 41), byteAt(bodyHash, 22));
    EXPECT_EQ(fieldOf(decoded, 42), byteAt(userAgentHash, 23));
    EXPECT_EQ(fieldOf(decoded, 43), byteAt(userAgentHash, 24));

    const auto start = static_cast<std::uint64_t>(startMs);
    const std::uint64_t end = start + 5;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(fieldOf(decoded, 20 + i), (start >> (24 - 8 * i)) & 255) << "start byte " << i;
        EXPECT_EQ(fieldOf(decoded, 44 + i), (end >> (24 - 8 * i)) & 255) << "end byte " << i;
    }
    // Milliseconds over 2^32 no longer fit a byte: the value keeps its low byte (its high bits spill
    // into its neighbour, as aBogusEncode's own test shows).
    EXPECT_EQ(fieldOf(decoded, 24), (start >> 32) & 255);
    EXPECT_EQ(fieldOf(decoded, 49), (end >> 32) & 255);
    EXPECT_EQ(fieldOf(decoded, 25), start >> 40);

    EXPECT_EQ(fieldOf(decoded, 18), 44u);
    EXPECT_EQ(fieldOf(decoded, 48), 3u);
    EXPECT_EQ(fieldOf(decoded, 37), 14u); // the options' last byte
    EXPECT_EQ(fieldOf(decoded, 31), 1u);
    EXPECT_EQ(fieldOf(decoded, 57), 6383u & 255); // the app id, little-endian
    EXPECT_EQ(fieldOf(decoded, 58), 6383u >> 8);
    for (const int zero : {26, 27, 28, 29, 30, 32, 33, 34, 35, 36, 52, 53, 54, 55, 59, 60, 66, 70, 71})
        EXPECT_EQ(fieldOf(decoded, zero), 0u) << "field " << zero;

    // The window description follows the fields, its length in field 65, and the XOR closes the value.
    const std::size_t windowLength = fieldOf(decoded, 65);
    ASSERT_EQ(decoded.plain.size(), 44 + windowLength + 1);
    const std::string window(decoded.plain.begin() + 44, decoded.plain.begin() + 44 + windowLength);
    EXPECT_EQ(window, "1627|1068|1653|1155|0|30|0|0|1724|818|1539|900|1627|1068|24|24|Win32")
        << "the nine numbers, each brought into its range";
    // The XOR of the fields as they were before the cipher: fields 24 and 49 (both 418) cancel out,
    // and field 50 (place 37), whose read-back low bit field 24 may have overwritten, counts as 1.
    std::uint32_t check = static_cast<std::uint32_t>(start >> 40);
    for (std::size_t i = 0; i < 44; ++i)
        if (i != 36 && i != 37 && i != 38)
            check ^= decoded.plain[i];
    EXPECT_EQ(decoded.plain.back(), check);
}

// The final encoding packs three values into 24 bits as the page's arithmetic does: a value wider than a
// byte spills its high bits into its left neighbours; a first value's high bits fall off. The rest is
// base64 in the signature's alphabet.
TEST(ABogus, EncodingPacksThreeValuesAndSpillsWideOnesLeft)
{
    EXPECT_EQ(aBogusEncode({0, 0, 0x1A2}), aBogusEncode({0, 1, 0xA2}));
    EXPECT_EQ(aBogusEncode({0, 0x1A2, 0}), aBogusEncode({1, 0xA2, 0}));
    EXPECT_EQ(aBogusEncode({0x1A2, 0, 0}), aBogusEncode({0xA2, 0, 0}));
    // Four characters for every three values begun; '=' fills the last group.
    EXPECT_EQ(aBogusEncode({0, 0, 0}), "DDDD");
    EXPECT_EQ(aBogusEncode({255, 255, 255}), "eeee");
    EXPECT_EQ(aBogusEncode({0}), "DD==");
    EXPECT_EQ(aBogusEncode({0, 0}), "DDD=");
    EXPECT_EQ(aBogusEncode({}), "");
    // Each character stands for its six bits: 0b000001 000010 000011 000100.
    EXPECT_EQ(aBogusEncode({0x04, 0x20, 0xC4}), "kdpg");
}

// What changes the value and what does not: another query, body or User-Agent changes the hash
// fields; the same inputs give the same value.
TEST(ABogus, SameInputsSameValueAndEachInputCounts)
{
    const std::vector<std::uint32_t> numbers = {7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47};
    const std::string value = aBogus(query, "", agent, fixedSource(numbers));
    EXPECT_EQ(aBogus(query, "", agent, fixedSource(numbers)), value);
    const Decoded base = decode(value);
    const Decoded otherQuery = decode(aBogus(std::string(query) + "&x=1", "", agent, fixedSource(numbers)));
    const Decoded withBody = decode(aBogus(query, "item_id=1", agent, fixedSource(numbers)));
    const Decoded otherAgent =
        decode(aBogus(query, "", "Mozilla/5.0 (X11; Linux x86_64)", fixedSource(numbers)));
    const auto pair = [](const Decoded& decoded, int first) {
        return std::make_pair(fieldOf(decoded, first), fieldOf(decoded, first + 1));
    };
    EXPECT_NE(pair(otherQuery, 38), pair(base, 38));
    EXPECT_EQ(pair(otherQuery, 40), pair(base, 40));
    EXPECT_NE(pair(withBody, 40), pair(base, 40));
    EXPECT_EQ(pair(withBody, 38), pair(base, 38));
    EXPECT_NE(pair(otherAgent, 42), pair(base, 42));
    EXPECT_EQ(pair(otherAgent, 38), pair(base, 38));
    const std::string bodyHash = sm3(sm3("item_id=1cus"));
    EXPECT_EQ(fieldOf(withBody, 40), byteAt(bodyHash, 21));
}

// The plain call takes the time now and random numbers: two values differ, and each carries a start
// time within the call.
TEST(ABogus, PlainCallUsesTheClockAndFreshRandomness)
{
    const auto now = [] {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count());
    };
    const std::uint64_t before = now();
    const std::string first = aBogus(query, agent);
    const std::string second = aBogus(query, agent);
    const std::uint64_t after = now();
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    const Decoded decoded = decode(first);
    std::uint64_t low = 0;
    for (int i = 0; i < 4; ++i)
        low = (low << 8) | fieldOf(decoded, 20 + i);
    EXPECT_GE(low, before & 0xFFFFFFFF);
    EXPECT_LE(low, after & 0xFFFFFFFF);
}
