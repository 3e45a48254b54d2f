#include "script/JsonWriter.h"

#include "script/JsNumber.h"
#include "script/JsonObject.h"

#include <cmath>
#include <cstring>

namespace quorvane {

namespace {

// U+2400 in UTF-8: the stand-in for a stored backslash.
constexpr char kBackslashStandIn[] = "\xE2\x90\x80";

void appendUnicodeEscape(char32_t unit, std::string& out)
{
    static const char hex[] = "0123456789abcdef";
    out += "\\u";
    out += hex[(unit >> 12) & 0xF];
    out += hex[(unit >> 8) & 0xF];
    out += hex[(unit >> 4) & 0xF];
    out += hex[unit & 0xF];
}

// Decodes the well-formed UTF-8 sequence at `i` and its length. A byte that starts none (a stray byte, a
// cut-off, overlong or surrogate sequence) gives length 1 and nothing: such bytes cannot be written as
// they are, since a lead byte would take the following quote with it.
std::optional<char32_t> decodeAt(const std::string& text, std::size_t i, std::size_t& length)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    std::size_t needed = 0;
    char32_t codePoint = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        codePoint = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        codePoint = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        codePoint = lead & 0x07;
        least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + needed >= text.size())
        return std::nullopt;
    for (std::size_t k = 1; k <= needed; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return std::nullopt;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::nullopt;
    length = needed + 1;
    return codePoint;
}

} // namespace

bool JsonWriter::needsUnicodeEscape(char32_t c)
{
    return c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) || c == 0x70F ||
           c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF);
}

std::optional<std::string> JsonWriter::stringify(const JsonValue& value)
{
    if (value.isUndefined())
        return std::nullopt;
    std::string out;
    write(value, out);
    return out;
}

void JsonWriter::write(const JsonValue& value, std::string& out)
{
    switch (value.kind()) {
    case JsonValue::Kind::Undefined:
    case JsonValue::Kind::Null:
        out += "null";
        break;
    case JsonValue::Kind::Boolean:
        out += value.asBoolean() ? "true" : "false";
        break;
    case JsonValue::Kind::Number:
        out += std::isfinite(value.asNumber()) ? JsNumber::toText(value.asNumber()) : "null";
        break;
    case JsonValue::Kind::String:
        writeString(value.asString(), out, value.holdsStandIns());
        break;
    case JsonValue::Kind::Array: {
        out += '[';
        bool first = true;
        for (const JsonValue& item : value.asArray()) {
            if (!first)
                out += ',';
            first = false;
            write(item, out);
        }
        out += ']';
        break;
    }
    case JsonValue::Kind::Object: {
        out += '{';
        bool first = true;
        value.asObject().forEach([&](const JsonMember& member) {
            if (member.value.isUndefined())
                return;
            if (!first)
                out += ',';
            first = false;
            writeString(member.name, out, false);
            out += ':';
            write(member.value, out);
        });
        out += '}';
        break;
    }
    }
}

void JsonWriter::writeString(const std::string& text, std::string& out, bool standIns)
{
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of characters written as they are go out in one piece.
        std::size_t run = i;
        while (run < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[run]);
            if (c < 0x20 || c == '"' || c == '\\' || c >= 0x7F)
                break;
            ++run;
        }
        out.append(text, i, run - i);
        i = run;
        if (i >= text.size())
            break;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                appendUnicodeEscape(c, out);
                break;
            }
            ++i;
            continue;
        }
        std::size_t length = 1;
        const std::optional<char32_t> codePoint = decodeAt(text, i, length);
        if (!codePoint)
            appendUnicodeEscape(0xFFFD, out); // keeps the JSON valid; the byte was no character anyway
        else if (standIns && *codePoint == 0x2400)
            out += '\\'; // a backslash the program stored: written raw, as it always was
        else if (needsUnicodeEscape(*codePoint))
            appendUnicodeEscape(*codePoint, out);
        else
            out.append(text, i, length);
        i += length;
    }
    out += '"';
}

std::optional<std::string> JsonWriter::toText(const JsonValue& value)
{
    if (value.isNullish())
        return std::nullopt;
    std::string out;
    appendText(value, out);
    return out;
}

void JsonWriter::appendText(const JsonValue& value, std::string& out)
{
    switch (value.kind()) {
    case JsonValue::Kind::Undefined:
    case JsonValue::Kind::Null:
        break;
    case JsonValue::Kind::Boolean:
        out += value.asBoolean() ? "true" : "false";
        break;
    case JsonValue::Kind::Number:
        out += JsNumber::toText(value.asNumber());
        break;
    case JsonValue::Kind::String:
        if (value.holdsStandIns()) {
            std::string text = value.asString();
            restoreBackslashes(text);
            out += text;
        } else {
            out += value.asString();
        }
        break;
    case JsonValue::Kind::Array: {
        bool first = true;
        for (const JsonValue& item : value.asArray()) {
            if (!first)
                out += ',';
            first = false;
            appendText(item, out);
        }
        break;
    }
    case JsonValue::Kind::Object:
        out += "[object Object]";
        break;
    }
}

std::string JsonWriter::protectBackslashes(std::string utf8)
{
    if (utf8.find('\\') == std::string::npos)
        return utf8;
    std::string out;
    out.reserve(utf8.size() + 8);
    for (char c : utf8) {
        if (c == '\\')
            out += kBackslashStandIn;
        else
            out += c;
    }
    return out;
}

void JsonWriter::restoreBackslashes(std::string& utf8)
{
    std::size_t at = utf8.find(kBackslashStandIn);
    if (at == std::string::npos)
        return;
    std::string out;
    out.reserve(utf8.size());
    std::size_t from = 0;
    for (; at != std::string::npos; at = utf8.find(kBackslashStandIn, from)) {
        out.append(utf8, from, at - from);
        out += '\\';
        from = at + 3;
    }
    out.append(utf8, from, std::string::npos);
    utf8.swap(out);
}

} // namespace quorvane
