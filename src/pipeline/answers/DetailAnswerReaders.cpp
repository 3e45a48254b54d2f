#include "pipeline/answers/DetailAnswerReaders.h"

#include "pipeline/answers/PostItemReader.h"
#include "script/JsonTree.h"

#include <array>

namespace quorvane {

namespace {

// The share item at `item`, else why `statusAt` says there is none.
DetailReading shareItemOrReason(const JsonNode& item, const JsonNode& statusAt)
{
    if (item.isObject())
        return {readShareItem(item), {}};
    return {std::nullopt, unavailableReason(statusAt)};
}

} // namespace

DetailReading readWebDetail(std::string_view utf8)
{
    const JsonTree tree(utf8);
    const JsonNode root = tree.root();
    if (root["aweme_detail"].isObject())
        return {readPostItem(root["aweme_detail"]), {}};
    return {std::nullopt, unavailableReason(root)};
}

DetailReading readSlidesInfo(std::string_view utf8)
{
    const JsonTree tree(utf8);
    return shareItemOrReason(tree.root()["aweme_details"][0], tree.root());
}

DetailReading readItemInfo(std::string_view utf8)
{
    const JsonTree tree(utf8);
    return shareItemOrReason(tree.root()["item_list"][0], tree.root());
}

std::optional<DetailReading> readRouterData(std::string_view utf8, bool notePageFirst)
{
    const JsonTree tree(utf8);
    if (!tree.ok())
        return std::nullopt;
    const JsonNode pages = tree.root()["loaderData"];
    const JsonNode video = pages["video_(id)/page"]["videoInfoRes"];
    const JsonNode note = pages["note_(id)/page"]["videoInfoRes"];
    for (const JsonNode& answer : notePageFirst ? std::array{note, video} : std::array{video, note}) {
        if (answer.isObject())
            return shareItemOrReason(answer["item_list"][0], answer);
    }
    return DetailReading{};
}

} // namespace quorvane
