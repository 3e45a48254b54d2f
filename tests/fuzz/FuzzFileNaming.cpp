// File names: whatever the title, prefix and extension, the name has no "/", no control byte, fits 255
// bytes of UTF-8, is never empty, "." or "..", keeps a fitting extension whole and sits in the folder.
#include "FuzzCheck.h"

#include "pipeline/naming/FileNaming.h"

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const bool titleOnly = data[0] & 1;
    const std::vector<std::string> f =
        fuzz::fields(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), 3);
    const Text& title = f[0];
    const Text& prefix = f[1];
    const Text& extension = f[2];

    // The cleaned title keeps no removed character of its own (a double-byte character stays whole).
    const Text cleaned = CleanFileName(title);
    for (std::size_t i = 0; i < cleaned.size();) {
        const auto c = static_cast<unsigned char>(cleaned[i]);
        if (c >= 0x80 && i + 1 < cleaned.size()) {
            FUZZ_CHECK(cleaned.compare(i, 2, "\xA1\xA1") != 0);
            i += 2;
            continue;
        }
        FUZZ_CHECK(c >= 0x80 ||
                   (c > 0x20 && c != 0x7F &&
                    std::string_view("/\\|*?:,<>\"").find(static_cast<char>(c)) == std::string_view::npos));
        ++i;
    }

    const std::string folder = "/saved";
    // The same bytes as UTF-8, valid or not.
    const std::string path = composeTargetPath(folder, title, prefix, titleOnly, extension);
    FUZZ_CHECK(path.rfind(folder + "/", 0) == 0);
    const std::string name = path.substr(folder.size() + 1);
    FUZZ_CHECK(!name.empty() && name != "." && name != "..");
    FUZZ_CHECK(name.size() <= maxFileNameBytes);
    for (char c : name)
        FUZZ_CHECK(c != '/' && (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F));
    // An extension that fits stays whole at the end of the name.
    std::string extension8 = cleanFileNameUtf8(extension);
    std::erase_if(extension8,
                  [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (extension8.size() < maxFileNameBytes)
        FUZZ_CHECK(name.ends_with(extension8));
    return 0;
}
