#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Where the handling of one link stands.
enum class TaskState
{
    Queued,   // waiting for its parse or for a free download slot
    Running,  // being parsed or downloaded
    Paused,   // stopped by the user; the part file and its resume record stay
    Done,     // every file saved
    Failed,   // the parse or a download failed (see HistoryRecord::error)
    Cancelled // stopped by the user; the part file and its record removed
};

// The stored names: "queued", "running", "paused", "done", "failed", "cancelled".
std::string_view stateName(TaskState state);
// The state of a stored name; nothing for an unknown one.
std::optional<TaskState> stateFromName(std::string_view name);
// Done, failed or cancelled: nothing more happens to the task by itself.
inline bool isFinished(TaskState state)
{
    return state == TaskState::Done || state == TaskState::Failed || state == TaskState::Cancelled;
}

// A file a task saved, with its size in bytes.
struct SavedFile
{
    std::string path; // UTF-8
    std::int64_t size = 0;

    bool operator==(const SavedFile&) const = default;
};

// One handled link, as the history keeps it. Texts are UTF-8.
struct HistoryRecord
{
    std::int64_t key = 0; // the row in the store; 0 before it is added
    std::string postId;   // empty until the parse found it
    std::string link;     // the link as it was handed in
    std::string title;
    std::string author;
    std::string coverUrl;
    TaskState state = TaskState::Queued;
    std::vector<SavedFile> files; // the files saved so far
    // The files being fetched (UTF-8 paths): their part files and resume records lie beside them, so a
    // continuation writes to the same names and a cancel removes them.
    std::vector<std::string> pendingFiles;
    std::string error;         // empty, or the reason a user reads
    std::int64_t added = 0;    // Unix seconds
    std::int64_t finished = 0; // Unix seconds; 0 while not finished
    // The list the post came from, and its place in it; an empty kind for a link handed in on its own.
    std::string listKind; // "creator", "collection", "music"
    std::string listId;   // the sec_uid, mix id or music id
    std::string listName;
    std::int64_t listIndex = 0; // from 1: a collection's episode, else the place in the list
    // A live room's recording rather than a post's files (stored as kind "live"; else "post"): its files
    // are the recording's, postId the room's id, and durationSeconds how long it ran.
    bool live = false;
    std::int64_t durationSeconds = 0;

    bool operator==(const HistoryRecord&) const = default;
};

// A Unix time in ISO 8601, UTC ("2026-12-07T19:36:28Z"); empty for 0.
std::string isoTime(std::int64_t unixSeconds);

// The time now, in Unix seconds, as records keep it.
std::int64_t nowSeconds();

} // namespace quorvane
