// Time prefixes: whatever the create time, the prefix is "MM-dd HH-mm-ss" of a real date on the 24-hour
// dial, and a readable date-time text reads back as the same moment once formatted.
#include "FuzzCheck.h"

#include "pipeline/naming/TimeFormats.h"

using namespace quorvane;

namespace {

int number(const Text& text, std::size_t at)
{
    FUZZ_CHECK(at + 2 <= text.size() && std::isdigit(static_cast<unsigned char>(text[at])) &&
               std::isdigit(static_cast<unsigned char>(text[at + 1])));
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const std::vector<std::string> f =
        fuzz::fields(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), 3);

    const Text prefix = MakeTimePrefix(f[0]);
    FUZZ_CHECK(prefix.size() == 14 && prefix[2] == '-' && prefix[5] == ' ' && prefix[8] == '-' &&
               prefix[11] == '-');
    const int month = number(prefix, 0), day = number(prefix, 3);
    FUZZ_CHECK(month >= 1 && month <= 12 && day >= 1 && day <= 31);
    FUZZ_CHECK(number(prefix, 6) <= 23 && number(prefix, 9) <= 59 && number(prefix, 12) <= 59);

    // The intermediate reading, when there is one, is a date-time text that reads back.
    const Text reading = TimestampToText(f[0], data[0] % 3);
    if (!reading.empty())
        FUZZ_CHECK(parseDateTimeText(reading).has_value());

    if (const std::optional<DateTime> value = parseDateTimeText(f[1])) {
        const Text written = FormatDateTime(*value, "yyyy-MM-dd ", "HH:mm:ss", false);
        FUZZ_CHECK(parseDateTimeText(written) == value);
    }
    if (const std::optional<DateTime> value = parseDateTimeText(f[0]))
        (void)FormatDateTime(*value, f[1], f[2], data[0] & 1);
    return 0;
}
