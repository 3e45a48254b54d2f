// Charset conversion: Text and UTF-8 convert both ways as the general conversion does, well-formed UTF-8
// comes back unchanged from a round trip through Text, and the UTF-16 path agrees with the direct one.
#include "FuzzCheck.h"

#include "base/ByteSet.h"
#include "base/CharsetConverter.h"
#include "base/TextUtf8.h"
#include "net/Encoding.h"
#include "script/Utf8Character.h"

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string utf8 = TextUtf8::toUtf8(bytes);
    FUZZ_CHECK(isWellFormedUtf8(utf8));
    FUZZ_CHECK(utf8 == CharsetConverter::convert(bytes, "GB18030", "UTF-8").value_or("?"));
    FUZZ_CHECK(CharsetConverter::textToUtf8(bytes) == utf8);

    const Text text = TextUtf8::fromUtf8(bytes);
    FUZZ_CHECK(text == CharsetConverter::convert(bytes, "UTF-8", "GB18030").value_or("?"));
    if (isWellFormedUtf8(bytes))
        FUZZ_CHECK(TextUtf8::toUtf8(text) == bytes);

    // Up to the first zero byte, the UTF-16 path gives the same UTF-8.
    const Text untilZero(bytes.substr(0, bytes.find('\0')));
    FUZZ_CHECK(toByteString(TextToUtf8(untilZero)) == TextUtf8::toUtf8(untilZero));
    FUZZ_CHECK(toByteString(Utf16ToCodePage(TextToUtf16(untilZero), 65001)) == TextUtf8::toUtf8(untilZero));

    // The response body conversion, with a few of the names callers use.
    static const char* const names[] = {"UTF-8", "GBK",        "GB18030", "UTF-16LE",
                                        "BIG5",  "ISO-8859-1", "nonsense"};
    const char* from = names[data[0] % 7];
    const char* to = names[(data[0] / 7) % 7];
    const ByteSet converted = ConvertCharset(toByteSet(bytes), from, to);
    if (std::string_view(from) == "UTF-8" && std::string_view(to) == "GBK" && isWellFormedUtf8(bytes) &&
        bytes.substr(0, 3) != "\xEF\xBB\xBF")
        FUZZ_CHECK(toByteString(converted) == TextUtf8::fromUtf8(bytes));
    return 0;
}
