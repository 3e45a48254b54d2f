#include "pipeline/answers/ListPageReader.h"

#include "pipeline/answers/PlatformIds.h"
#include "pipeline/answers/PostItemReader.h"
#include "script/JsonTree.h"

namespace quorvane {

namespace {

bool isTrue(const JsonNode& node)
{
    return node.text() == "true" || node.flag();
}

// A cursor as digits: a number written whole, or a text of digits. Anything else (a fraction, a
// negative, a word) is no cursor.
std::string cursorText(const JsonNode& node)
{
    std::string text = node.text();
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return isPlainNumberId(text) ? text : std::string();
}

void keepFirst(std::string& name, const JsonNode& node)
{
    if (name.empty())
        name = node.string();
}

} // namespace

ListPage readListPage(std::string_view utf8)
{
    ListPage page;
    const JsonTree tree(utf8);
    const JsonNode root = tree.root();
    if (!root.isObject()) {
        page.unavailableReason = tree.ok() ? "列表回答不是对象" : "列表回答无法读取：" + tree.error();
        return page;
    }
    const std::string status = root["status_code"].text();
    if (!status.empty() && status != "0") {
        const std::string message = root["status_msg"].text();
        page.unavailableReason =
            (message.empty() ? std::string("列表不可用") : message) + " (status_code " + status + ")";
        return page;
    }

    // An object with neither the list nor its paging (a check page's JSON, `{}`) is no list: reading it
    // as an empty last page would end the list as if it were complete.
    if (!root["aweme_list"].exists() && !root["has_more"].exists()) {
        page.unavailableReason = "回答里没有列表";
        return page;
    }
    page.hasMore = isTrue(root["has_more"]);
    page.nextCursor = cursorText(root["max_cursor"]);
    if (page.nextCursor.empty())
        page.nextCursor = cursorText(root["cursor"]);

    const JsonNode items = root["aweme_list"];
    page.truncated = items.size() > maxListItemsPerPage;
    for (std::size_t i = 0; i < items.size() && i < maxListItemsPerPage; ++i) {
        const JsonNode item = items[i];
        const std::string id = item["aweme_id"].text();
        if (!item.isObject() || !isPlainNumberId(id)) {
            ++page.skippedItems;
            continue;
        }
        keepFirst(page.creatorName, item["author"]["nickname"]);
        keepFirst(page.mixName, item["mix_info"]["mix_name"]);
        keepFirst(page.musicTitle, item["music"]["title"]);
        if (!item["video"].isObject() && !item["images"].isArray()) {
            page.trimmedIds.push_back(id);
            continue;
        }
        page.posts.push_back(readPostItem(item));
    }
    return page;
}

} // namespace quorvane
