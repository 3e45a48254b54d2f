#include "pipeline/tasks/ListQueue.h"

#include "base/platform/Paths.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/lists/ABogus.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/tasks/Scheduler.h"

#include <filesystem>

namespace quorvane {

std::string listFolderName(const std::string& listName)
{
    std::string name = cleanFileNameUtf8(listName);
    // A name from the platform: cut as the name template cuts an author, at a character's start.
    constexpr std::size_t maxBytes = 96;
    if (name.size() > maxBytes) {
        std::size_t end = maxBytes;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
        name.resize(end);
    }
    if (name.empty() || name == "." || name == "..")
        name.insert(0, "_");
    return name;
}

bool savedInHistory(const std::string& postId, HistoryStore* history)
{
    if (!history)
        return false;
    const std::optional<HistoryRecord> done = history->findDone(postId);
    if (!done || done->files.empty())
        return false;
    std::error_code ignored;
    for (const SavedFile& file : done->files)
        if (!std::filesystem::exists(pathFromUtf8(file.path), ignored))
            return false;
    return true;
}

ListQueueResult queueList(const LinkTarget& list, const ListQueueContext& context, Scheduler& scheduler,
                          HistoryStore* history, const std::atomic<bool>* cancel)
{
    ListQueueResult result;
    ListLimits limits;
    limits.breakOnExisting = context.untilSaved;
    ListHooks hooks;
    hooks.isSaved = [history](const std::string& id) { return savedInHistory(id, history); };
    hooks.post = [&](const ListPlace& place, const std::string&, ParseOutcome outcome) {
        if (!outcome.ok()) {
            ++result.failed;
            return;
        }
        const std::filesystem::path saveFolder =
            context.saveFolder.empty() ? userDownloadFolder() : pathFromUtf8(context.saveFolder);
        const std::filesystem::path folder = saveFolder / pathFromUtf8(listFolderName(place.name));
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        scheduler.addParsed(*outcome.post,
                            Scheduler::Naming{utf8FromPath(folder), outcome.post->title, context.titleOnly},
                            {}, TaskFiles::Post, &place);
        ++result.queued;
    };
    ListAccess access{context.cookies, {}, nowSeconds()};
    if (context.cookies)
        access.signer = [](std::string_view query, std::string_view agent) { return aBogus(query, agent); };
    const ListOutcome outcome =
        readList(list, context.platform, context.order, access, limits, hooks, cancel);
    result.name = outcome.name;
    result.skipped = outcome.skippedSaved;
    result.incomplete = outcome.incomplete;
    return result;
}

} // namespace quorvane
