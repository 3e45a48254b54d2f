#pragma once

#include "base/Text.h"
#include "pipeline/post/ParsedPost.h"

#include <string>
#include <vector>

namespace quorvane {

struct TaskSettings;

// One file of a post a task saves: where it goes and where it comes from.
struct TaskFile
{
    Text path;                   // the target
    std::vector<Text> addresses; // tried in order
    // Which file of the post this is, to find its fresh addresses in a second parse.
    enum Kind
    {
        Video,
        Image,
        LiveVideo
    } kind = Video;
    std::size_t index = 0;

    // This file's addresses in another parse of the same post.
    std::vector<Text> addressesIn(const ParsedPost& again) const;
};

// The files of a post, named in `folder` (the download folder when empty) from `title` and the post's
// time prefix (none with `titleOnly`): the video, or each image and beside it its live photo's video.
std::vector<TaskFile> planTaskFiles(const ParsedPost& post, const Text& folder, const Text& title,
                                    bool titleOnly);

} // namespace quorvane
