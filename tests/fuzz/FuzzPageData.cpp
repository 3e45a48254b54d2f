// The share page's script data: the object handed out is a piece of the page that really is assigned to
// the variable, braces balanced outside strings, within the size limit; what it holds goes the share
// page's way through the JSON document.
#include "FuzzCheck.h"

#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/sources/PageScriptData.h"
#include "pipeline/sources/ShareEndpoints.h"

using namespace quorvane;

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Braces outside double-quoted strings balance, and close only at the end.
bool balanced(std::string_view object)
{
    int depth = 0;
    bool inString = false, escaped = false;
    for (std::size_t i = 0; i < object.size(); ++i) {
        const char c = object[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i + 1 == object.size();
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const std::size_t maxBytes = 16 + data[0] * 4u;
    const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (std::string_view variable : {std::string_view(routerDataVariable), std::string_view("x")}) {
        const std::optional<std::string_view> object = findAssignedObject(page, variable, maxBytes);
        if (!object)
            continue;
        // A view into the page itself.
        FUZZ_CHECK(object->data() >= page.data() &&
                   object->data() + object->size() <= page.data() + page.size());
        FUZZ_CHECK(object->size() <= maxBytes);
        FUZZ_CHECK(object->front() == '{' && balanced(*object));
        // Preceded by the variable, blanks, "=" and blanks, and the variable is a whole name.
        std::size_t at = static_cast<std::size_t>(object->data() - page.data());
        while (at > 0 && isBlank(page[at - 1]))
            --at;
        FUZZ_CHECK(at > 0 && page[at - 1] == '=');
        --at;
        while (at > 0 && isBlank(page[at - 1]))
            --at;
        FUZZ_CHECK(at >= variable.size() && page.substr(at - variable.size(), variable.size()) == variable);

        // The share page's way: the item of the video or note answer, read whole.
        for (const bool notePageFirst : {false, true}) {
            const std::optional<DetailReading> reading = readRouterData(*object, notePageFirst);
            if (reading && reading->post)
                FUZZ_CHECK(reading->unavailableReason.empty());
        }
    }
    return 0;
}
