#include "pipeline/tasks/TaskFiles.h"

#include "pipeline/naming/FileNaming.h"

namespace quorvane {

std::vector<TaskFile> planTaskFiles(const ParsedPost& post, const std::string& folder,
                                    const std::string& title, bool titleOnly)
{
    std::vector<TaskFile> files;
    for (MediaFile& media : MediaPlan::of(post).files) {
        std::string path = composeTargetPath(folder, title, post.timePrefix, titleOnly, media.suffix);
        files.push_back({std::move(media), std::move(path)});
    }
    return files;
}

} // namespace quorvane
