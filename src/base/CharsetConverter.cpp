#include "base/CharsetConverter.h"

#include "base/AsciiCase.h"
#include "base/IconvHandle.h"
#include "base/TextOps.h"
#include "base/TextUtf8.h"

#include "base/platform/Iconv.h"
#include <cerrno>

namespace quorvane {

namespace {

// Runs iconv over the whole input. On an invalid or unconvertible sequence, `onBad` is asked for the
// replacement bytes and the input moves on by `skip` bytes.
template <typename OnBad>
void runIconv(iconv_t cd, std::string_view input, std::string& out, std::size_t skip, OnBad onBad)
{
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[16384];
    for (;;) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = inLeft ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                                      : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) {
                // Flush any shift state once, then stop.
                char* flushPtr = buffer;
                std::size_t flushLeft = sizeof buffer;
                iconv(cd, nullptr, nullptr, &flushPtr, &flushLeft);
                out.append(buffer, static_cast<std::size_t>(flushPtr - buffer));
                return;
            }
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end of the input.
        out.append(onBad());
        const std::size_t step = std::min(skip, inLeft);
        in += step;
        inLeft -= step;
        if (inLeft == 0)
            return;
    }
}

} // namespace

std::string CharsetConverter::canonicalName(std::string_view charset)
{
    std::string name = trimText(charset);
    for (char& c : name)
        c = toUpperAscii(c);
    if (name == "GBK" || name == "CP936" || name == "936" || name == "GB2312" || name == "X-GBK")
        return "GB18030";
    if (name == "UTF8" || name == "65001")
        return "UTF-8";
    if (name == "UNICODE" || name == "1200")
        return "UTF-16LE";
    return name;
}

std::optional<std::string> CharsetConverter::convert(std::string_view input, std::string_view fromCharset,
                                                     std::string_view toCharset)
{
    const std::string from = canonicalName(fromCharset);
    const std::string to = canonicalName(toCharset);
    if (from.empty() || to.empty())
        return std::nullopt;
    // Two stages through UTF-32 so that bad source bytes and unencodable characters are told apart.
    IconvHandle decode("UTF-32LE", from.c_str());
    IconvHandle encode(to.c_str(), "UTF-32LE");
    if (!decode.valid() || !encode.valid())
        return std::nullopt;
    std::string wide;
    wide.reserve(input.size() * 4);
    runIconv(decode.get(), input, wide, 1, [] { return std::string("\xFD\xFF\x00\x00", 4); });
    std::string out;
    out.reserve(input.size() + input.size() / 2);
    runIconv(encode.get(), wide, out, 4, [&] {
        std::string question;
        IconvHandle ascii(to.c_str(), "ASCII");
        if (ascii.valid())
            runIconv(ascii.get(), "?", question, 1, [] { return std::string(); });
        return question.empty() ? std::string("?") : question;
    });
    return out;
}

// The program's own conversions take the one-pass path, which gives the same results as convert().
Text CharsetConverter::utf8ToText(std::string_view utf8)
{
    return TextUtf8::fromUtf8(utf8);
}

std::string CharsetConverter::textToUtf8(TextView text)
{
    return TextUtf8::toUtf8(text);
}

} // namespace quorvane
