#include "pipeline/tasks/TaskFiles.h"

#include "pipeline/naming/FileNaming.h"

namespace quorvane {

std::vector<TaskFile> planTaskFiles(const ParsedPost& post, const Text& folder, const Text& title,
                                    bool titleOnly)
{
    std::vector<TaskFile> files;
    for (MediaFile& media : MediaPlan::of(post).files) {
        Text path = composeTargetPath(folder, title, post.timePrefix, titleOnly, media.suffix);
        files.push_back({std::move(media), std::move(path)});
    }
    return files;
}

} // namespace quorvane
