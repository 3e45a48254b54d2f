// The readers of the platform's answers. The tree accepts exactly the valid JSON texts that are valid
// UTF-8 (checked against a grammar of our own); no reader fails on anything, and what they read keeps
// its bounds: no empty address, no more addresses, rungs or images than a post may have, never a post
// and a reason together.
#include "FuzzCheck.h"
#include "JsonGrammar.h"

#include "pipeline/answers/DetailAnswerReaders.h"
#include "script/JsonTree.h"

using namespace quorvane;

namespace {

void checkAddresses(const std::vector<std::string>& addresses)
{
    FUZZ_CHECK(addresses.size() <= maxAddressesPerList);
    for (const std::string& address : addresses)
        FUZZ_CHECK(!address.empty());
}

void checkPost(const PostDetail& post)
{
    FUZZ_CHECK(post.rungs.size() <= maxRungs);
    FUZZ_CHECK(post.images.size() <= maxImagesPerPost);
    FUZZ_CHECK(post.images.empty() || post.imagePost);
    for (const Rung& rung : post.rungs) {
        checkAddresses(rung.addresses);
        FUZZ_CHECK(rung.width >= 0 && rung.height >= 0 && rung.fps >= 0 && rung.bitRate >= 0 &&
                   rung.dataSize >= 0);
    }
    for (const PostImage& image : post.images) {
        checkAddresses(image.addresses);
        checkAddresses(image.liveVideoAddresses);
    }
    checkAddresses(post.coverAddresses);
    checkAddresses(post.musicAddresses);
}

void checkReading(const DetailReading& reading)
{
    if (reading.post)
        checkPost(*reading.post);
    // A post and a reason never come together.
    FUZZ_CHECK(!reading.post || reading.unavailableReason.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const JsonTree tree(input);
    if (const std::optional<bool> valid = fuzz::JsonGrammar::check(input, JsonTree::defaultMaxDepth))
        FUZZ_CHECK(tree.ok() == *valid || tree.error().find("nesting") != std::string::npos);

    const DetailReading web = readWebDetail(input);
    checkReading(web);
    FUZZ_CHECK(web.post.has_value() == tree.root()["aweme_detail"].isObject());
    checkReading(readSlidesInfo(input));
    checkReading(readItemInfo(input));
    for (const bool notePageFirst : {false, true})
        if (const std::optional<DetailReading> page = readRouterData(input, notePageFirst))
            checkReading(*page);

    return 0;
}
