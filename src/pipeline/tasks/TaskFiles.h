#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/post/MediaPlan.h"
#include "pipeline/post/ParsedPost.h"

#include <string>
#include <vector>

namespace quorvane {

// One file of a post a task saves: which file of the post it is, and where it goes.
struct TaskFile
{
    MediaFile media;
    std::string path; // the target (UTF-8)
};

// Which of a post's files a task saves.
enum class TaskFiles
{
    Post,  // the files of its media plan: the video, or the images and live photos' videos
    Music, // its music alone (the window's music button)
};

// The files a task saves, named as the window names them: in `folder` (the download folder when empty),
// from `title` and the post's time prefix (none with `titleOnly`), then the file's suffix.
std::vector<TaskFile> planTaskFiles(const ParsedPost& post, TaskFiles which, const std::string& folder,
                                    const std::string& title, bool titleOnly);

// Which files a record's task saves, told by the names it gave them: only the music is saved as ".mp3".
// A record that named no file yet saves the post's files.
TaskFiles taskFilesOf(const HistoryRecord& record);

} // namespace quorvane
