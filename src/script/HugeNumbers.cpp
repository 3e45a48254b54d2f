#include "script/HugeNumbers.h"

namespace quorvane {

namespace {

// Length of the JSON number at the start of `text` (-? int frac? exp?), 0 when none starts there.
std::size_t jsonNumberLength(std::string_view text)
{
    auto digits = [&](std::size_t at) {
        std::size_t end = at;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        return end - at;
    };
    std::size_t at = 0;
    if (at < text.size() && text[at] == '-')
        ++at;
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return 0;
    at += text[at] == '0' ? 1 : digits(at);
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = digits(at + 1);
        if (fraction == 0)
            return at;
        at += 1 + fraction;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const std::size_t count = digits(exponent);
        if (count > 0)
            at = exponent + count;
    }
    return at;
}

} // namespace

HugeNumbers standInHugeNumbers(std::string_view utf8)
{
    HugeNumbers out;
    out.marker = "1e-9999999999999999999";
    while (utf8.find(out.marker) != std::string_view::npos)
        out.marker += '9';
    out.text.reserve(utf8.size());
    auto isNumberByte = [](char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
    };
    bool inString = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (inString || c == '"' || !(c == '-' || (c >= '0' && c <= '9'))) {
            if (inString && c == '\\' && i + 1 < utf8.size()) {
                out.text.append(utf8, i, 2);
                i += 2;
                continue;
            }
            if (c == '"')
                inString = !inString;
            out.text += c;
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < utf8.size() && isNumberByte(utf8[end]))
            ++end;
        const std::string_view token = utf8.substr(i, end - i);
        const std::size_t e = token.find_first_of("eE");
        const bool longDigits = (e == std::string_view::npos ? token.size() : e) > 300;
        const bool bigExponent = e != std::string_view::npos && token.size() - e > 3; // three digits or more
        // Only a token that is one whole JSON number is replaced; anything else stays and fails as it is.
        if ((longDigits || bigExponent) && jsonNumberLength(token) == token.size()) {
            out.literals.emplace_back(token);
            out.text += out.marker;
        } else {
            out.text.append(token);
        }
        i = end;
    }
    return out;
}

} // namespace quorvane
