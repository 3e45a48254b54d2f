#pragma once

#include "pipeline/lists/ListReader.h"
#include "pipeline/post/LinkTarget.h"
#include "pipeline/settings/ListSettings.h"
#include "pipeline/settings/PlatformSettings.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace quorvane {

class CookieJar;
class HistoryStore;
class Scheduler;

// The folder a list's files go into below the save folder: the list's name cleaned like a title, cut to
// a length a file system takes, never "." or "..".
std::string listFolderName(const std::string& listName);

// The post was saved before: done in the history, with every file of that record still there.
bool savedInHistory(const std::string& postId, HistoryStore* history);

// How queueing a list went.
struct ListQueueResult
{
    std::string name;       // the list's name (else its id)
    std::size_t queued = 0; // posts handed to the scheduler
    std::size_t skipped = 0;
    std::size_t failed = 0; // posts whose parse failed
    std::string incomplete; // the reading's "列表不完整：…" line, when no door gave the rest
};

// What queueList needs besides the list.
struct ListQueueContext
{
    PlatformSettings platform;
    ListSettings order;
    const CookieJar* cookies = nullptr; // the user's login cookies for the signed doors (may be null)
    std::string saveFolder;             // UTF-8; the list's folder is made below it
    bool titleOnly = false;             // names without the publish-time prefix
    bool untilSaved = false;            // stop paging at the first post saved before (a subscription)
};

// Reads a list through its doors (blocking: call it off the window's thread) and hands each post that
// was not saved before to the scheduler, named into the list's folder and recorded with its place in the
// list. Requests give up when `cancel` becomes true.
ListQueueResult queueList(const LinkTarget& list, const ListQueueContext& context, Scheduler& scheduler,
                          HistoryStore* history, const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
