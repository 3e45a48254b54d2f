#include "pipeline/lists/ListReader.h"

#include "pipeline/post/LinkIntake.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/settings/ListSettings.h"

#include <charconv>

namespace quorvane {

namespace {

const std::vector<std::string>& doorsOf(const ListSettings& order, LinkKind kind)
{
    return kind == LinkKind::Creator      ? order.creator
           : kind == LinkKind::Collection ? order.collection
                                          : order.music;
}

std::string nameOn(const ListPage& page, LinkKind kind)
{
    return kind == LinkKind::Creator      ? page.creatorName
           : kind == LinkKind::Collection ? page.mixName
                                          : page.musicTitle;
}

// One line per page a door was asked for, as the post sources' lines read.
std::string doorLine(const ListDoor& door, const DoorPage& answer, std::size_t pageNumber)
{
    const SourceReport& report = answer.report;
    std::string outcome = answer.passOver;
    if (answer.page)
        outcome = "第 " + std::to_string(pageNumber) + " 页，" +
                  std::to_string(answer.page->posts.size() + answer.page->trimmedIds.size()) + " 个作品" +
                  (answer.page->hasMore ? "，还有更多" : "");
    return std::string("列表来源 ") + door.label + "：" +
           (report.asked.empty() ? "（未询问）" : report.asked) + " -> 状态 " +
           std::to_string(report.status) + "，" + std::to_string(report.bytes) + " 字节，" + outcome;
}

// The page's posts in one order: whole items, then the trimmed ones.
struct PageEntries
{
    std::vector<WalkEntry> entries;
    std::vector<const PostDetail*> whole; // beside each entry; null for a trimmed one
};

PageEntries entriesOf(const ListPage& page, const ListHooks& hooks)
{
    PageEntries out;
    for (const PostDetail& post : page.posts) {
        WalkEntry entry{post.id, std::nullopt, post.pinned, hooks.isSaved && hooks.isSaved(post.id)};
        if (post.createTime && hooks.dayOf)
            entry.day = hooks.dayOf(*post.createTime);
        out.entries.push_back(std::move(entry));
        out.whole.push_back(&post);
    }
    for (const std::string& id : page.trimmedIds) {
        out.entries.push_back({id, std::nullopt, false, hooks.isSaved && hooks.isSaved(id)});
        out.whole.push_back(nullptr);
    }
    return out;
}

// The door as a parsed post names its source (a text that outlives the door).
const char* sourceName(const std::string& key)
{
    for (const char* name : {"reflow", "share", "open", "signed"})
        if (key == name)
            return name;
    return "list";
}

bool admitted(const std::string& createTime, const DateBound& dates, const ListHooks& hooks)
{
    std::int64_t time = 0;
    const auto [end, error] = std::from_chars(createTime.data(), createTime.data() + createTime.size(), time);
    if (!hooks.dayOf || createTime.empty() || error != std::errc())
        return true;
    return dates.admits(hooks.dayOf(time));
}

} // namespace

const char* listKindName(LinkKind kind)
{
    switch (kind) {
    case LinkKind::Creator:
        return "creator";
    case LinkKind::Collection:
        return "collection";
    case LinkKind::Music:
        return "music";
    case LinkKind::Post:
        break;
    }
    return "post";
}

ListOutcome readList(const LinkTarget& list, const PlatformSettings& platform, const ListSettings& order,
                     const ListAccess& access, const ListLimits& limits, const ListHooks& hooks,
                     const std::atomic<bool>* cancel)
{
    ListOutcome outcome;
    ListWalk walk(limits, list.kind == LinkKind::Creator);
    std::string why; // why the last door asked stopped early
    bool complete = false;
    const auto tell = [&](const std::string& line) {
        if (hooks.verbose)
            hooks.verbose(line);
    };
    for (const std::string& key : doorsOf(order, list.kind)) {
        if (complete || (cancel && *cancel))
            break;
        std::string whyNot;
        std::optional<ListDoor> door = openListDoor(key, list, platform, access, whyNot);
        if (!door) {
            tell(std::string("列表来源 ") + listDoorLabel(key) + "：" + whyNot);
            continue;
        }
        walk.startDoor();
        std::string cursor;
        for (std::size_t pageNumber = 1;; ++pageNumber) {
            DoorPage answer = door->page(cursor, cancel);
            tell(doorLine(*door, answer, pageNumber));
            if (!answer.page) {
                if (why.empty()) // the first door's word is the one that tells what went wrong
                    why = answer.passOver;
                break;
            }
            const ListPage& page = *answer.page;
            if (outcome.name.empty())
                outcome.name = nameOn(page, list.kind);
            const PageEntries entries = entriesOf(page, hooks);
            const WalkStep step = walk.feed(cursor, page.nextCursor, page.hasMore, entries.entries);
            outcome.skippedSaved += step.skippedSaved;
            outcome.brokeOnExisting = outcome.brokeOnExisting || step.brokeOnExisting;
            outcome.pages = walk.pagesRead();
            outcome.found = walk.postsFound();
            for (const WalkStep::Take& take : step.take) {
                if (cancel && *cancel)
                    break;
                const WalkEntry& entry = entries.entries[take.entry];
                const PostDetail* whole = entries.whole[take.entry];
                ListPlace place{list.kind, list.id, outcome.name.empty() ? list.id : outcome.name,
                                take.place};
                if (whole && whole->episode && list.kind == LinkKind::Collection)
                    place.index = static_cast<std::size_t>(*whole->episode);
                const std::string link = postLink(entry.id);
                ParseOutcome parsed =
                    whole ? parsedFromDetail(*whole, link, entry.id, sourceName(door->key), platform, cancel)
                          : parsePost(link, platform, cancel);
                // A trimmed post's day is known only now.
                if (parsed.post && !whole && !admitted(parsed.post->createTime, limits.dates, hooks))
                    continue;
                hooks.post(place, link, std::move(parsed));
            }
            outcome.found = walk.postsFound();
            if (hooks.progress)
                hooks.progress(outcome.pages, outcome.found);
            if (step.more()) {
                cursor = page.nextCursor;
                continue;
            }
            outcome.stop = step.stop;
            if (step.incomplete()) {
                if (why.empty())
                    why = describePagingStop(step.stop);
            } else {
                complete = true;
            }
            break;
        }
    }
    if (outcome.name.empty())
        outcome.name = list.id;
    if (!complete && !(cancel && *cancel)) {
        if (why.empty())
            why = "没有可用的列表来源";
        outcome.incomplete = "列表不完整：" + why + "（登录 Cookie 可以取得更多）";
    }
    return outcome;
}

} // namespace quorvane
