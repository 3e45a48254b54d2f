// Header blocks, cookies, the name/value list and the byte encodings of the network side. A header block
// is the server's raw bytes: lines are what stands between CR LF pairs, whatever bytes end them.
#include "FuzzCheck.h"

#include "base/ByteSet.h"
#include "base/TextOps.h"
#include "net/Encoding.h"
#include "net/HeaderText.h"
#include "net/KeyValueList.h"

#include <cctype>
#include <set>

using namespace quorvane;

namespace {

std::vector<std::string_view> rawLines(std::string_view block)
{
    std::vector<std::string_view> lines;
    while (!block.empty()) {
        const std::size_t end = block.find("\r\n");
        lines.push_back(block.substr(0, end));
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
    }
    return lines;
}

std::string expectedHeader(std::string_view block, std::string_view name)
{
    for (std::string_view line : rawLines(block)) {
        if (line.substr(0, name.size()) != name)
            continue;
        const std::size_t found = line.rfind(std::string(name) + ": ");
        return found == std::string_view::npos ? std::string()
                                               : std::string(line.substr(found + name.size() + 2));
    }
    return {};
}

void checkHeaders(const std::string& block, const std::string& name)
{
    FUZZ_CHECK(FindResponseHeader(block, "Location") == expectedHeader(block, "Location"));
    FUZZ_CHECK(FindResponseHeader(block, name) == expectedHeader(block, name));

    // The cookies of a block are those of its Set-Cookie lines taken one by one.
    const Text cookies = CollectSetCookies(block);
    std::string alone;
    bool first = true;
    for (std::string_view line : rawLines(block)) {
        if (line.substr(0, 12) != "Set-Cookie: ")
            continue;
        if (!first)
            alone += "; ";
        first = false;
        alone += CollectSetCookies(line);
    }
    FUZZ_CHECK(cookies == alone);

    // Normalising twice changes nothing more; every kept line has a colon.
    const Text normal = NormaliseHeaderBlock(block);
    FUZZ_CHECK(NormaliseHeaderBlock(normal) == normal);
    for (std::string_view line : rawLines(normal))
        FUZZ_CHECK(line.find(':') != std::string_view::npos);

    // A header written by the name/value list is found again in the block it renders.
    const std::string line = name + ": " + block;
    if (!name.empty() && line.find("\r\n") == std::string::npos && line.rfind(name + ": ") == 0) {
        KeyValueList list;
        list.Add(name, block);
        FUZZ_CHECK(FindResponseHeader(list.ToHeaderText(), name) == block);
    }
}

void checkCookies(const std::string& oldText, const std::string& newText)
{
    Text oldCookies = oldText, newCookies = newText;
    const Text merged = MergeCookies(oldCookies, newCookies);
    FUZZ_CHECK(oldCookies == merged);
    std::set<Text> seen;
    for (const Text& cookie : splitText(merged, "; ")) {
        FUZZ_CHECK(!endsWith(cookie, "=deleted"));
        FUZZ_CHECK(seen.insert(cookie).second);
    }
}

void checkTextCuts(const std::string& text, const std::string& separator, int start)
{
    for (const Text& piece : {TextLeftOf(text, separator, start), TextRightOf(text, separator, start),
                              TextBetween(text, separator, ";", start)})
        FUZZ_CHECK(text.find(piece) != std::string::npos);
    const Text left = TextLeftOf(text, separator);
    if (!left.empty() || findText(text, separator) == 1)
        FUZZ_CHECK(startsWith(text, left + separator));
}

std::string base64Decode(std::string_view text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const std::size_t v = alphabet.find(c);
        FUZZ_CHECK(v != std::string::npos);
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

int hexValue(char c)
{
    return (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

void checkEncodings(const std::string& bytes, bool keep)
{
    const Text base64 = Base64Encode(toByteSet(bytes));
    FUZZ_CHECK(base64.size() == (bytes.size() + 2) / 3 * 4);
    FUZZ_CHECK(base64Decode(base64) == bytes);

    // Percent-encoding decodes back to the bytes, zero bytes dropped.
    const Text encoded = UrlEncode(toByteSet(bytes), keep);
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            FUZZ_CHECK(i + 2 < encoded.size());
            const int high = hexValue(encoded[i + 1]), low = hexValue(encoded[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            FUZZ_CHECK(c == '+' || (keep && (std::isalnum(static_cast<unsigned char>(c)) ||
                                             std::string_view("-._'()*").find(c) != std::string_view::npos)));
            decoded += c == '+' ? ' ' : c;
        }
    }
    std::string expected = bytes;
    std::erase(expected, '\0');
    FUZZ_CHECK(decoded == expected);

    KeyValueList list;
    list.ParseQuery(bytes);
    std::vector<Text> names;
    list.Names(names);
    FUZZ_CHECK(names.size() == splitText(bytes, "&").size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const auto flags = static_cast<unsigned char>(data[0]);
    const std::vector<std::string> f =
        fuzz::fields(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), 4);
    checkHeaders(f[0], f[1]);
    checkCookies(f[2], f[3]);
    checkTextCuts(f[0], f[1], static_cast<int>(flags % 16) - 8);
    checkEncodings(f[0], flags & 0x80);
    return 0;
}
