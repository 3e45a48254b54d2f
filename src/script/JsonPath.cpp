#include "script/JsonPath.h"

#include "script/JsNumber.h"

#include <charconv>
#include <cstdint>

namespace quorvane {

namespace {

bool isIdentifierByte(char c, bool first)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '$' || u >= 0x80 ||
           (!first && u >= '0' && u <= '9');
}

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

class Scanner
{
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    void skipBlanks()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t'))
            ++m_pos;
    }
    bool take(char c)
    {
        if (peek() != c || atEnd())
            return false;
        ++m_pos;
        return true;
    }

    std::optional<std::string> identifier()
    {
        if (atEnd() || !isIdentifierByte(peek(), true))
            return std::nullopt;
        const std::size_t start = m_pos;
        while (!atEnd() && isIdentifierByte(peek(), false))
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }

    // A quoted name with the escapes of a script string literal.
    std::optional<std::string> quoted()
    {
        const char quote = peek();
        ++m_pos;
        std::string out;
        while (!atEnd()) {
            const char c = m_text[m_pos++];
            if (c == quote)
                return out;
            if (c == '\n' || c == '\r')
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return std::nullopt;
            const char e = m_text[m_pos++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'v':
                out += '\v';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                const auto code = hex(2);
                if (!code)
                    return std::nullopt;
                appendUtf8(*code, out);
                break;
            }
            case 'u': {
                auto code = hex(4);
                if (!code)
                    return std::nullopt;
                if (*code >= 0xD800 && *code <= 0xDBFF) {
                    // Only a whole surrogate pair names a character the tree can hold.
                    if (!take('\\') || !take('u'))
                        return std::nullopt;
                    const auto low = hex(4);
                    if (!low || *low < 0xDC00 || *low > 0xDFFF)
                        return std::nullopt;
                    code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                } else if (*code >= 0xDC00 && *code <= 0xDFFF) {
                    return std::nullopt;
                }
                appendUtf8(*code, out);
                break;
            }
            case '\n':
                break; // line continuation
            default:
                out += e;
                break;
            }
        }
        return std::nullopt;
    }

    // A decimal number in brackets, named as the script names the member: its shortest number text.
    std::optional<std::string> number()
    {
        const std::size_t start = m_pos;
        take('-');
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++m_pos;
        if (take('.'))
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++m_pos;
        const std::string_view digits = m_text.substr(start, m_pos - start);
        double value = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
            return std::nullopt;
        return JsNumber::toText(value);
    }

private:
    std::optional<char32_t> hex(int count)
    {
        char32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (atEnd())
                return std::nullopt;
            const char c = m_text[m_pos++];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<char32_t>(digit);
        }
        return value;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

std::optional<std::vector<std::string>> JsonPath::parse(std::string_view expression,
                                                        std::string_view rootName)
{
    Scanner scan(expression);
    scan.skipBlanks();
    const auto root = scan.identifier();
    if (!root || *root != rootName)
        return std::nullopt;
    std::vector<std::string> names;
    for (;;) {
        scan.skipBlanks();
        if (scan.atEnd())
            return names;
        if (scan.take('.')) {
            scan.skipBlanks();
            auto name = scan.identifier();
            if (!name)
                return std::nullopt;
            names.push_back(std::move(*name));
            continue;
        }
        if (!scan.take('['))
            return std::nullopt;
        scan.skipBlanks();
        std::optional<std::string> name;
        if (scan.peek() == '\'' || scan.peek() == '"')
            name = scan.quoted();
        else
            name = scan.number();
        scan.skipBlanks();
        if (!name || !scan.take(']'))
            return std::nullopt;
        names.push_back(std::move(*name));
    }
}

} // namespace quorvane
