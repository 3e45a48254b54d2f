// The reflow data of a share page: whatever the page holds, the web id, address and token handed out are
// pieces of the page of the expected form, since they go into a query and a cipher key.
#include "FuzzCheck.h"

#include "pipeline/sources/ReflowPage.h"

#include <algorithm>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const ReflowPage reflow = ReflowPage::read(page);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    FUZZ_CHECK(reflow.webId.empty() || (reflow.webId.size() >= 16 && reflow.webId.size() <= 32 &&
                                        std::all_of(reflow.webId.begin(), reflow.webId.end(), digit)));
    FUZZ_CHECK(std::all_of(reflow.userCip.begin(), reflow.userCip.end(), [&](char c) {
        return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.' || c == ':';
    }));
    FUZZ_CHECK(
        std::all_of(reflow.token.begin(), reflow.token.end(), [](char c) { return c > 0x20 && c < 0x7F; }));
    for (const std::string& value : {reflow.webId, reflow.userCip, reflow.token})
        FUZZ_CHECK(page.find(value) != std::string_view::npos);
    if (const auto attributes = tagAttributesById(page, "douyin_reflow_token"))
        FUZZ_CHECK(attributes->count("id") == 1);
    return 0;
}
