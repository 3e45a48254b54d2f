#pragma once

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

    // This file's addresses in another parse of the same post (expired addresses renewed).
    std::vector<std::string> addressesIn(const ParsedPost& again) const
    {
        return MediaPlan::of(again).addressesLike(media);
    }
};

// The files of the post's media plan, named as the window names them: in `folder` (the download folder
// when empty), from `title` and the post's time prefix (none with `titleOnly`), then the file's suffix.
std::vector<TaskFile> planTaskFiles(const ParsedPost& post, const std::string& folder,
                                    const std::string& title, bool titleOnly);

} // namespace quorvane
