// Double-byte-aware find, split and replace on a large mixed Chinese (GB18030) and ASCII text, against
// plain std::string::find loops over the same bytes. Prints timings at 16, 32 and 64 MB (linearity) and
// the ratio to the plain loops (target: within 4x).
#include "base/TextOps.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

const std::string title = "\xB1\xEA\xCC\xE2"; // 标题: only at the very end, so a search scans everything
const std::string fullWidthComma = "\xA3\xAC";

// Lines of Chinese characters (GB2312 range, never 标), characters whose second byte looks like ASCII
// (GBK's extension range), ASCII words and full-width commas, ending in "\r\n".
std::string makeText(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return static_cast<char>(std::uniform_int_distribution<int>(low, high)(random));
    };
    std::string text;
    text.reserve(size + 128);
    while (text.size() < size + 256) {
        const int lineLength = std::uniform_int_distribution<int>(40, 120)(random);
        const std::size_t lineEnd = text.size() + static_cast<std::size_t>(lineLength);
        while (text.size() < lineEnd) {
            switch (std::uniform_int_distribution<int>(0, 9)(random)) {
            case 0:
            case 1:
            case 2:
                text += "video ";
                text += pick('a', 'z');
                break;
            case 3:
                text += fullWidthComma;
                break;
            case 4: {
                char lead = pick('\x81', '\xA0');
                text += lead;
                text += pick('\x40', '\x7E'); // trail byte in the ASCII range
                break;
            }
            default: {
                char lead = pick('\xB2', '\xF7');
                text += lead;
                text += pick('\xA1', '\xFE');
            }
            }
        }
        text += "\r\n";
    }
    // Whole characters only, then ASCII padding up to the size, so the title starts on a boundary.
    text.resize(cutAtCharacter(text, size - title.size() - 1).size());
    text.resize(size - title.size(), ' ');
    text += title;
    return text;
}

std::size_t plainSplitCount(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    for (std::size_t hit; (hit = text.find(separator, begin)) != std::string::npos;
         begin = hit + separator.size())
        pieces.emplace_back(text, begin, hit - begin);
    if (begin < text.size())
        pieces.emplace_back(text, begin);
    return pieces.size();
}

std::string plainReplace(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t begin = 0;
    for (std::size_t hit; (hit = text.find(from, begin)) != std::string::npos; begin = hit + from.size()) {
        out.append(text, begin, hit - begin);
        out += to;
    }
    out.append(text, begin);
    return out;
}

// Best of three runs, in milliseconds.
double measure(const std::function<std::size_t()>& run, std::size_t& result)
{
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        result = run();
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main()
{
    constexpr std::size_t megabyte = 1024 * 1024;
    struct Operation
    {
        const char* name;
        std::function<std::size_t(const std::string&)> ours;
        std::function<std::size_t(const std::string&)> plain;
        bool counted = true; // part of the 4x verdict
    };
    const std::vector<Operation> operations = {
        {"findText (title at end)",
         [](const std::string& t) { return static_cast<std::size_t>(findText(t, title)); },
         [](const std::string& t) { return t.find(title) + 1; }},
        {"findText ignoring case",
         [](const std::string& t) {
             return static_cast<std::size_t>(findText(t, "VIDEO Q" + title, 1, true));
         },
         [](const std::string& t) { return t.find("video q" + title) + 1; }, false},
        {"splitText at \\r\\n", [](const std::string& t) { return splitText(t, "\r\n").size(); },
         [](const std::string& t) { return plainSplitCount(t, "\r\n"); }},
        {"splitText at full-width comma",
         [](const std::string& t) { return splitText(t, fullWidthComma).size(); },
         [](const std::string& t) { return plainSplitCount(t, fullWidthComma); }},
        {"replaceText comma -> ','",
         [](const std::string& t) { return replaceText(t, fullWidthComma, ",").size(); },
         [](const std::string& t) { return plainReplace(t, fullWidthComma, ",").size(); }},
        {"replaceText \"video\" -> \"clip\"",
         [](const std::string& t) { return replaceText(t, "video", "clip").size(); },
         [](const std::string& t) { return plainReplace(t, "video", "clip").size(); }},
    };

    std::printf("%-34s %6s %12s %12s %8s\n", "operation", "MB", "ours ms", "plain ms", "ratio");
    bool withinTarget = true;
    for (const std::size_t size : {16 * megabyte, 32 * megabyte, 64 * megabyte}) {
        const std::string text = makeText(size, 7);
        for (const Operation& op : operations) {
            std::size_t ourResult = 0, plainResult = 0;
            const double ours = measure([&] { return op.ours(text); }, ourResult);
            const double plain = measure([&] { return op.plain(text); }, plainResult);
            const double ratio = ours / plain;
            if (op.counted && size == 64 * megabyte && ratio > 4.0)
                withinTarget = false;
            // The plain loops may also match across character boundaries; the counts are shown, not compared.
            std::printf("%-34s %6zu %12.1f %12.1f %7.2fx   (results %zu / %zu)\n", op.name, size / megabyte,
                        ours, plain, ratio, ourResult, plainResult);
        }
    }
    std::printf("64 MB ratios %s the 4x target (the case-insensitive search is shown for information: its\n"
                "reference is a case-sensitive find)\n",
                withinTarget ? "within" : "OUTSIDE");
    return 0;
}
