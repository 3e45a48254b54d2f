#pragma once

// A plain JSON grammar check (RFC 8259), written apart from the reader it checks: strings must be
// well-formed UTF-8 and their \u escapes whole characters (no lone surrogates).

#include "script/Utf8Character.h"

#include <optional>
#include <string_view>

namespace quorvane::fuzz {

class JsonGrammar
{
public:
    // True or false for valid or invalid JSON; nothing when nesting goes deeper than `maxDepth`.
    static std::optional<bool> check(std::string_view text, int maxDepth)
    {
        JsonGrammar g(text, maxDepth);
        g.skipBlanks();
        const bool ok = g.value(0);
        if (g.m_tooDeep)
            return std::nullopt;
        g.skipBlanks();
        return ok && g.m_at == text.size();
    }

private:
    JsonGrammar(std::string_view text, int maxDepth) : m_text(text), m_maxDepth(maxDepth) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }

    void skipBlanks()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_at;
    }

    bool literal(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool digits()
    {
        const std::size_t from = m_at;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++m_at;
        return m_at > from;
    }

    bool number()
    {
        if (peek() == '-')
            ++m_at;
        if (peek() == '0')
            ++m_at;
        else if (!digits())
            return false;
        if (peek() == '.') {
            ++m_at;
            if (!digits())
                return false;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_at;
            if (peek() == '+' || peek() == '-')
                ++m_at;
            if (!digits())
                return false;
        }
        return true;
    }

    std::optional<unsigned> hex4()
    {
        if (m_at + 4 > m_text.size())
            return std::nullopt;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            const int d = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<unsigned>(d);
        }
        return value;
    }

    bool string()
    {
        ++m_at; // the opening quote
        while (!atEnd()) {
            const auto c = static_cast<unsigned char>(m_text[m_at]);
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c >= 0x80) {
                std::size_t length = 1;
                while (m_at + length < m_text.size() && isUtf8Continuation(m_text[m_at + length]) &&
                       length < 4)
                    ++length;
                if (!isWellFormedUtf8(m_text.substr(m_at, length)))
                    return false;
                m_at += length;
                continue;
            }
            ++m_at;
            if (c != '\\')
                continue;
            const char e = peek();
            ++m_at;
            if (e == 'u') {
                const std::optional<unsigned> unit = hex4();
                if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF))
                    return false;
                if (*unit >= 0xD800 && *unit <= 0xDBFF) {
                    if (!literal("\\u"))
                        return false;
                    const std::optional<unsigned> low = hex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF)
                        return false;
                }
            } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos || e == '\0') {
                return false;
            }
        }
        return false;
    }

    bool value(int depth)
    {
        const char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= m_maxDepth) {
                m_tooDeep = true;
                return false;
            }
            const char close = c == '{' ? '}' : ']';
            ++m_at;
            skipBlanks();
            if (peek() == close) {
                ++m_at;
                return true;
            }
            for (;;) {
                if (c == '{') {
                    if (peek() != '"' || !string())
                        return false;
                    skipBlanks();
                    if (peek() != ':')
                        return false;
                    ++m_at;
                    skipBlanks();
                }
                if (!value(depth + 1))
                    return false;
                skipBlanks();
                if (peek() == close) {
                    ++m_at;
                    return true;
                }
                if (peek() != ',')
                    return false;
                ++m_at;
                skipBlanks();
            }
        }
        if (c == '"')
            return string();
        if (c == '-' || (c >= '0' && c <= '9'))
            return number();
        return literal("true") || literal("false") || literal("null");
    }

    std::string_view m_text;
    int m_maxDepth;
    std::size_t m_at = 0;
    bool m_tooDeep = false;
};

} // namespace quorvane::fuzz
