// Share-text intake and id extraction (pure functions, no network): whatever the text and the redirect
// target, an id handed to an endpoint is all digits, and the detail request carries it as its one query
// parameter.
#include "FuzzCheck.h"

#include "pipeline/answers/PostItemReader.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/VideoDetail.h"

#include <algorithm>

using namespace quorvane;

namespace {

bool allDigits(const Text& id)
{
    return !id.empty() && std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void checkTarget(const Text& target)
{
    const VideoReference reference = videoReferenceFromTarget(target);
    if (reference.id.empty()) {
        FUZZ_CHECK(!reference.imagePost);
        return;
    }
    FUZZ_CHECK(allDigits(reference.id));
    FUZZ_CHECK(target.find(reference.id) != Text::npos);
    const PlatformSettings platform;
    const Text detail = webDetailUrl(reference.id, platform);
    const std::size_t query = detail.find('?');
    FUZZ_CHECK(query != Text::npos && detail.substr(query) == "?aweme_id=" + reference.id);
    FUZZ_CHECK(slidesInfoUrl(reference, platform).find("aweme_ids=[" + reference.id + "]") != Text::npos);
    FUZZ_CHECK(sharePageUrl(reference, platform).ends_with("/share/video/" + reference.id + "/"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const Text text(reinterpret_cast<const char*>(data), size);
    (void)LooksLikeShareText(text);
    const Text link = ExtractFirstUrl(text);
    FUZZ_CHECK(text.find(link) != Text::npos);
    checkTarget(text);
    checkTarget(link);
    FUZZ_CHECK(watermarkFreeAddress(text).size() + 2 == text.size() || watermarkFreeAddress(text) == text);
    return 0;
}
