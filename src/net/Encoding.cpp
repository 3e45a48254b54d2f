#include "net/Encoding.h"

#include "base/CharsetConverter.h"
#include "base/platform/Crypto.h"

#include <cstring>
#include <string>

namespace quorvane {

namespace {

bool isKeptUnreserved(std::uint8_t byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || (byte >= 0x27 && byte <= 0x2A);
}

std::string codePageCharset(int codePage)
{
    switch (codePage) {
    case 936:
        return "GB18030";
    case 65001:
        return "UTF-8";
    case 1200:
        return "UTF-16LE";
    default:
        return "CP" + std::to_string(codePage);
    }
}

std::string_view upToZero(std::string_view bytes)
{
    return bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
}

} // namespace

Text Base64Encode(const ByteSet& bytes)
{
    return base64Encode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Text UrlEncode(const ByteSet& bytes, bool keepUnreserved)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    Text out;
    out.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (byte == 0)
            continue;
        if (keepUnreserved && isKeptUnreserved(byte)) {
            out += static_cast<char>(byte);
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

Text UrlEncodeText(const Text& text, bool keepUnreserved, bool asUtf8)
{
    return UrlEncode(asUtf8 ? TextToUtf8(text) : toByteSet(text), keepUnreserved);
}

ByteSet TextToUtf16(const Text& text)
{
    if (text.empty())
        return {};
    const std::string_view source = upToZero(text);
    std::string wide = CharsetConverter::convert(source, "GB18030", "UTF-16LE").value_or(std::string());
    wide.append(2, '\0');
    return toByteSet(wide);
}

ByteSet Utf16ToCodePage(const ByteSet& utf16, int codePage)
{
    // Whole code units up to the first zero unit.
    std::size_t units = utf16.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        if (utf16[2 * i] == 0 && utf16[2 * i + 1] == 0) {
            units = i;
            break;
        }
    }
    if (units == 0)
        return {};
    const std::string_view wide(reinterpret_cast<const char*>(utf16.data()), units * 2);
    const std::optional<std::string> converted =
        CharsetConverter::convert(wide, "UTF-16LE", codePageCharset(codePage));
    if (!converted)
        return {};
    return toByteSet(upToZero(*converted));
}

ByteSet TextToUtf8(const Text& text)
{
    return Utf16ToCodePage(TextToUtf16(text), 65001);
}

Text TextToUtf8Text(const Text& text)
{
    return toByteString(TextToUtf8(text));
}

ByteSet ConvertCharset(const ByteSet& input, const Text& sourceCharset, const Text& targetCharset,
                       std::optional<int> startPosition)
{
    const Text source = sourceCharset.empty() ? Text("UTF-8") : sourceCharset;
    const Text target = targetCharset.empty() ? Text("GBK") : targetCharset;
    std::string_view bytes(reinterpret_cast<const char*>(input.data()), input.size());
    if (CharsetConverter::canonicalName(source) == "UTF-8" && bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const std::optional<std::string> converted = CharsetConverter::convert(bytes, source, target);
    if (!converted)
        return {};
    std::string_view result = *converted;
    if (startPosition && *startPosition > 0) {
        if (static_cast<std::size_t>(*startPosition) >= result.size())
            return {};
        result.remove_prefix(static_cast<std::size_t>(*startPosition));
    }
    return toByteSet(result);
}

} // namespace quorvane
