#include "pipeline/lists/ABogus.h"

#include "base/platform/Crypto.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <random>

namespace quorvane {

namespace {

constexpr std::string_view standardAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// The User-Agent's cipher text is written in an alphabet of its own before it is hashed.
constexpr std::string_view agentAlphabet = "ckdp1h4ZKsUB80/Mfvw36XIgR25+WQAlEi7NLboqYTOPuzmFjJnryx9HVGDaStCe";
constexpr std::string_view agentKey{"\x00\x01\x0e", 3};
constexpr std::string_view fieldKey = "y";
// Appended to the query and the body before their first hash.
constexpr std::string_view salt = "cus";
constexpr std::uint32_t appId = 6383;
constexpr std::uint32_t pageId = 0;
// The request options the page signs with: 14 also covers a body, so GET and POST share it.
constexpr std::array<std::uint32_t, 3> options = {0, 1, 14};

// The order in which the page writes its numbered fields; their XOR closes the values.
constexpr std::array<std::uint8_t, 44> fieldOrder = {
    18, 20, 52, 26, 30, 34, 58, 38, 40, 53, 42, 21, 27, 54, 55, 31, 35, 57, 39, 41, 43, 22,
    28, 32, 60, 36, 23, 29, 33, 37, 44, 45, 59, 46, 47, 48, 49, 50, 24, 25, 65, 66, 70, 71};

std::string inAlphabet(std::string base64, std::string_view alphabet)
{
    for (char& c : base64) {
        const auto at = standardAlphabet.find(c);
        if (at != std::string_view::npos)
            c = alphabet[at];
    }
    return base64;
}

// SM3 twice over the salted text: the query's and the body's hash.
std::string saltedDoubleHash(std::string_view text)
{
    const std::string first = sm3(std::string(text) + std::string(salt));
    return first.empty() ? std::string() : sm3(first);
}

std::optional<std::string> agentHash(std::string_view userAgent)
{
    const auto cipher = rc4(agentKey, userAgent);
    if (!cipher)
        return std::nullopt;
    std::string hash = sm3(inAlphabet(base64Encode(*cipher), agentAlphabet));
    if (hash.empty())
        return std::nullopt;
    return hash;
}

// The browser window as the page reports it: inner and outer size, position, screen and available
// size, colour depth, platform. Sizes at random within what desktop windows have.
std::string windowDescription(const std::function<std::uint32_t()>& random, std::string_view userAgent)
{
    const auto between = [&random](std::uint32_t low, std::uint32_t high) {
        return low + random() % (high - low + 1);
    };
    const std::uint32_t innerWidth = between(1024, 1920);
    const std::uint32_t innerHeight = between(768, 1080);
    const std::uint32_t outerWidth = innerWidth + between(24, 32);
    const std::uint32_t outerHeight = innerHeight + between(75, 90);
    const std::uint32_t screenY = random() % 2 == 0 ? 0 : 30;
    const std::uint32_t screenWidth = between(1024, 1920);
    const std::uint32_t screenHeight = between(768, 1080);
    const std::uint32_t availWidth = between(1280, 1920);
    const std::uint32_t availHeight = between(800, 1080);
    const std::string_view platform =
        userAgent.find("Macintosh") != std::string_view::npos ? "MacIntel" : "Win32";
    std::string text;
    for (const std::uint32_t number :
         {innerWidth, innerHeight, outerWidth, outerHeight, 0u, screenY, 0u, 0u, screenWidth, screenHeight,
          availWidth, availHeight, innerWidth, innerHeight, 24u, 24u})
        text += std::to_string(number) + '|';
    return text + std::string(platform);
}

void putBigEndian(std::array<std::uint32_t, 72>& field, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        field[at + i] = (value >> (24 - 8 * i)) & 255;
}

// Four prefix bytes from one random number below 10000, with fixed bits set.
void putPrefix(std::vector<std::uint32_t>& values, std::uint32_t number)
{
    const std::uint32_t low = number & 255;
    const std::uint32_t high = number >> 8;
    values.insert(values.end(), {(low & 170) | 1, (low & 85) | 2, (high & 170) | 5, (high & 85) | 40});
}

} // namespace

std::string aBogusEncode(const std::vector<std::uint32_t>& values)
{
    std::string bytes;
    bytes.reserve(values.size());
    for (std::size_t at = 0; at < values.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, values.size() - at);
        std::uint64_t packed = 0;
        for (std::size_t i = 0; i < count; ++i)
            packed |= static_cast<std::uint64_t>(values[at + i]) << (16 - 8 * i);
        for (std::size_t i = 0; i < count; ++i)
            bytes.push_back(static_cast<char>((packed >> (16 - 8 * i)) & 255));
    }
    return inAlphabet(base64Encode(bytes), aBogusAlphabet);
}

std::string aBogus(std::string_view query, std::string_view body, std::string_view userAgent,
                   const ABogusSource& source)
{
    const auto start = static_cast<std::uint64_t>(source.nowMs());
    const std::string queryHash = saltedDoubleHash(query);
    const std::string bodyHash = saltedDoubleHash(body);
    const auto userAgentHash = agentHash(userAgent);
    if (queryHash.size() != 32 || bodyHash.size() != 32 || !userAgentHash)
        return std::string();
    const auto end = static_cast<std::uint64_t>(source.nowMs());
    const auto byteOf = [](const std::string& hash, std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(hash[at]));
    };
    const std::string window = windowDescription(source.random, userAgent);

    std::array<std::uint32_t, 72> field{};
    field[8] = 3;
    field[18] = 44;
    putBigEndian(field, 20, static_cast<std::uint32_t>(start));
    // The page divides the time by 2^32 and 2^40 in floating point: whole numbers, not bytes.
    field[24] = static_cast<std::uint32_t>(start >> 32);
    field[25] = static_cast<std::uint32_t>(start >> 40);
    putBigEndian(field, 26, options[0]);
    field[30] = (options[1] / 256) & 255;
    field[31] = options[1] % 256;
    field[32] = (options[1] >> 24) & 255;
    field[33] = (options[1] >> 16) & 255;
    putBigEndian(field, 34, options[2]);
    field[38] = byteOf(queryHash, 21);
    field[39] = byteOf(queryHash, 22);
    field[40] = byteOf(bodyHash, 21);
    field[41] = byteOf(bodyHash, 22);
    field[42] = byteOf(*userAgentHash, 23);
    field[43] = byteOf(*userAgentHash, 24);
    putBigEndian(field, 44, static_cast<std::uint32_t>(end));
    field[48] = field[8];
    field[49] = static_cast<std::uint32_t>(end >> 32);
    field[50] = static_cast<std::uint32_t>(end >> 40);
    putBigEndian(field, 51, pageId);
    field[55] = pageId;
    field[56] = appId;
    for (std::size_t i = 0; i < 4; ++i)
        field[57 + i] = (appId >> (8 * i)) & 255; // little-endian, unlike the others
    field[64] = static_cast<std::uint32_t>(window.size());
    field[65] = static_cast<std::uint32_t>(window.size());

    std::vector<std::uint32_t> plain;
    std::uint32_t check = 0;
    for (const std::uint8_t index : fieldOrder) {
        plain.push_back(field[index]);
        check ^= field[index];
    }
    for (const char c : window)
        plain.push_back(static_cast<unsigned char>(c));
    plain.push_back(check);

    // The stream cipher works on the low bytes; the high bits of wider values pass through.
    std::string lowBytes;
    for (const std::uint32_t value : plain)
        lowBytes.push_back(static_cast<char>(value & 255));
    const auto cipher = rc4(fieldKey, lowBytes);
    if (!cipher)
        return std::string();

    std::vector<std::uint32_t> values;
    for (int i = 0; i < 3; ++i)
        putPrefix(values, source.random() % 10000);
    for (std::size_t i = 0; i < plain.size(); ++i)
        values.push_back((plain[i] & ~255u) | static_cast<unsigned char>((*cipher)[i]));
    return aBogusEncode(values);
}

std::string aBogus(std::string_view query, std::string_view userAgent)
{
    thread_local std::mt19937 generator{std::random_device{}()};
    const ABogusSource source{[] {
                                  return static_cast<std::int64_t>(
                                      std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
                              },
                              [] { return static_cast<std::uint32_t>(generator()); }};
    return aBogus(query, std::string_view(), userAgent, source);
}

} // namespace quorvane
