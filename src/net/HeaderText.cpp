#include "net/HeaderText.h"

#include "base/TextOps.h"
#include "net/CurlApi.h"

#include <unordered_set>
#include <vector>

namespace quorvane {

namespace {

constexpr TextView lineBreak = "\r\n";
constexpr TextView cookieSeparator = "; ";
// "#引号" in GB18030: lets a marker name a double quote.
constexpr TextView quoteMark = "#\xD2\xFD\xBA\xC5";

char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The lines of a header block, split byte-wise at CR LF. A block holds the server's raw bytes (UTF-8 or
// anything else), not Text: a line that ends in a byte of 0x80 or more must not pair that byte with the
// CR and so run into the next line. Splitting rules as for texts: no pieces for an empty block, no empty
// last piece.
std::vector<TextView> headerLines(TextView block)
{
    std::vector<TextView> lines;
    std::size_t begin = 0;
    while (begin < block.size()) {
        const std::size_t end = block.find(lineBreak, begin);
        if (end == TextView::npos) {
            lines.push_back(block.substr(begin));
            break;
        }
        lines.push_back(block.substr(begin, end - begin));
        begin = end + lineBreak.size();
    }
    return lines;
}

} // namespace

Text NormaliseHeaderBlock(TextView block)
{
    std::vector<Text> kept;
    for (TextView view : headerLines(block)) {
        Text line(view);
        const int colon = findText(line, ":");
        if (colon < 0)
            continue;
        const std::size_t nameEnd = static_cast<std::size_t>(colon - 1);
        bool wordStart = true;
        for (std::size_t i = 0; i < nameEnd; i += characterLength(line, i)) {
            if (wordStart)
                line[i] = upperAscii(line[i]);
            wordStart = line[i] == '-';
        }
        kept.push_back(std::move(line));
    }
    return joinText(kept, lineBreak);
}

Text CapitaliseFirst(TextView text)
{
    Text out(text);
    if (!out.empty())
        out[0] = upperAscii(out[0]);
    return out;
}

Text HeaderName(TextView line)
{
    const int colon = findText(line, ":");
    return colon < 0 ? Text() : trimText(line.substr(0, static_cast<std::size_t>(colon - 1)));
}

Text HeaderValue(TextView line)
{
    const int colon = findText(line, ":");
    return colon < 0 ? Text() : trimText(line.substr(static_cast<std::size_t>(colon)));
}

Text TextLeftOf(TextView text, TextView separator, int start, bool ignoreCase)
{
    int found = -1;
    if (start >= 0) {
        found = findText(text, separator, start, ignoreCase);
    } else {
        const std::size_t skip = start == -1 ? 0 : static_cast<std::size_t>(-static_cast<long long>(start));
        if (skip <= text.size())
            found = findLastText(text, separator, text.size() - skip, ignoreCase);
    }
    return found < 0 ? Text() : Text(text.substr(0, static_cast<std::size_t>(found - 1)));
}

Text TextRightOf(TextView text, TextView separator, int start, bool ignoreCase)
{
    int found = -1;
    if (start >= 0) {
        if (static_cast<std::size_t>(start) <= text.size())
            found = findLastText(text, separator, text.size() - static_cast<std::size_t>(start), ignoreCase);
    } else {
        const long long from = -static_cast<long long>(start);
        if (from <= static_cast<long long>(text.size()))
            found = findText(text, separator, static_cast<int>(from), ignoreCase);
    }
    return found < 0 ? Text() : Text(text.substr(static_cast<std::size_t>(found - 1) + separator.size()));
}

Text TextBetween(TextView text, TextView startMarker, TextView endMarker, int startPosition, bool ignoreCase)
{
    const Text begin = replaceText(startMarker, quoteMark, "\"");
    const Text end = replaceText(endMarker, quoteMark, "\"");
    const int found = findText(text, begin, startPosition, ignoreCase);
    if (found < 0)
        return {};
    const int contentStart = found + static_cast<int>(begin.size());
    const int endFound = findText(text, end, contentStart, ignoreCase);
    if (endFound < 0)
        return {};
    return Text(text.substr(static_cast<std::size_t>(contentStart - 1),
                            static_cast<std::size_t>(endFound - contentStart)));
}

Text CollectSetCookies(TextView responseHeaders)
{
    // Names are compared byte-wise: the line's bytes before its first ": " must be exactly "Set-Cookie".
    constexpr TextView name = "Set-Cookie";
    Text result;
    for (const TextView line : headerLines(responseHeaders)) {
        if (!startsWith(line, name) || line.substr(name.size(), 2) != ": ")
            continue;
        const TextView value = line.substr(name.size() + 1);
        const std::size_t semicolon = value.find(';');
        const Text cookie = semicolon != TextView::npos
                                ? trimText(value.substr(0, semicolon))
                                : trimText(replaceText(value, "Set-Cookie:", "", true));
        result += cookie;
        result += cookieSeparator;
    }
    if (endsWith(result, cookieSeparator))
        result.resize(result.size() - cookieSeparator.size());
    return result;
}

Text CookieName(TextView cookie)
{
    const int equals = findText(cookie, "=");
    return trimText(equals < 0 ? cookie : cookie.substr(0, static_cast<std::size_t>(equals - 1)));
}

Text MergeCookies(Text& oldCookies, Text& newCookies)
{
    for (Text* cookies : {&oldCookies, &newCookies}) {
        *cookies = trimText(*cookies);
        if (endsWith(*cookies, ";"))
            *cookies += ' ';
    }
    const std::vector<Text> previous = splitText(oldCookies, cookieSeparator);
    std::vector<Text> merged = splitText(newCookies, cookieSeparator);
    std::unordered_set<Text> names;
    for (const Text& cookie : merged)
        names.insert(CookieName(cookie));
    for (const Text& cookie : previous) {
        Text name = CookieName(cookie);
        if (names.contains(name))
            continue;
        names.insert(std::move(name));
        merged.push_back(cookie);
    }
    std::vector<Text> alive;
    for (Text& cookie : merged)
        if (!endsWith(cookie, "=deleted"))
            alive.push_back(std::move(cookie));
    Text result = RemoveDuplicates(joinText(alive, cookieSeparator), cookieSeparator);
    oldCookies = result;
    return result;
}

Text RemoveDuplicates(TextView text, TextView separator, bool eachCharacter)
{
    std::unordered_set<Text> seen;
    std::vector<Text> kept;
    auto keep = [&](Text member) {
        if (seen.insert(member).second)
            kept.push_back(std::move(member));
    };
    if (eachCharacter) {
        for (std::size_t i = 0; i < text.size();) {
            std::size_t length = characterLength(text, i);
            if (text.substr(i, 2) == lineBreak)
                length = 2;
            keep(Text(text.substr(i, length)));
            i += length;
        }
        return joinText(kept, "");
    }
    for (Text& member : splitText(text, separator))
        keep(std::move(member));
    return joinText(kept, separator);
}

Text FindResponseHeader(TextView responseHeaders, TextView name)
{
    // Byte-wise throughout: the first line that begins with the name decides, and its value is what
    // follows the last "<name>: " in it.
    const Text separator = Text(name) + ": ";
    for (const TextView line : headerLines(responseHeaders)) {
        if (startsWith(line, name)) {
            const std::size_t found = line.rfind(separator);
            return found == TextView::npos ? Text() : Text(line.substr(found + separator.size()));
        }
    }
    return {};
}

std::optional<std::int64_t> parseHttpDate(const std::string& date)
{
    const time_t when = curlApi().getdate(date.c_str(), nullptr);
    if (when == -1)
        return std::nullopt;
    return static_cast<std::int64_t>(when);
}

} // namespace quorvane
