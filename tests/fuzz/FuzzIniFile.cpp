// The settings file: reading and writing back without a change gives the same bytes; a key that is set
// reads back, also after a save, and every other key keeps its value.
#include "FuzzCheck.h"

#include "base/IniFile.h"

#include <cstring>

using namespace quorvane;

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names are the same when equal with ASCII letters folded where they are characters of their own;
// a double-byte character (a byte of 0x80 or more and the next) must match exactly.
bool sameName(std::string_view a, std::string_view b)
{
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        if (static_cast<unsigned char>(a[i]) >= 0x80) {
            const std::size_t length = i + 1 < a.size() ? 2 : 1;
            if (std::memcmp(a.data() + i, b.data() + i, length) != 0)
                return false;
            i += length;
            continue;
        }
        const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
        ++i;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::vector<std::string> f =
        fuzz::fields(std::string_view(reinterpret_cast<const char*>(data), size), 4);
    const std::string& content = f[0];
    const std::string& section = f[1];
    const std::string& key = f[2];
    const std::string& value = f[3];

    IniFile ini = IniFile::parse(content);
    FUZZ_CHECK(ini.serialize() == content);

    // Every key that reads before the write, with what it reads.
    std::vector<std::pair<std::pair<Text, Text>, std::optional<Text>>> before;
    for (const auto& [s, k] : ini.names())
        before.push_back({{s, k}, ini.find(s, k)});

    if (!ini.setValue(section, key, value)) {
        FUZZ_CHECK(ini.serialize() == content); // a refused write changes nothing
        return 0;
    }
    FUZZ_CHECK(ini.find(section, key) == value);
    const IniFile saved = IniFile::parse(ini.serialize());
    FUZZ_CHECK(saved.find(section, key) == value);
    FUZZ_CHECK(saved.serialize() == ini.serialize());
    for (const auto& [name, old] : before) {
        if (sameName(name.first, section) && sameName(name.second, key))
            continue;
        FUZZ_CHECK(ini.find(name.first, name.second) == old);
        FUZZ_CHECK(saved.find(name.first, name.second) == old);
    }
    return 0;
}
