#include "pipeline/tasks/TaskFiles.h"

#include "pipeline/naming/FileNaming.h"

#include <algorithm>

namespace quorvane {

std::vector<TaskFile> planTaskFiles(const ParsedPost& post, TaskFiles which, const std::string& folder,
                                    const std::string& title, bool titleOnly)
{
    MediaPlan plan = MediaPlan::of(post);
    const std::vector<MediaFile> media = which == TaskFiles::Music ? std::vector{plan.music} : plan.files;
    std::vector<TaskFile> files;
    for (const MediaFile& file : media)
        files.push_back({file, composeTargetPath(folder, title, post.timePrefix, titleOnly, file.suffix)});
    return files;
}

TaskFiles taskFilesOf(const HistoryRecord& record)
{
    std::vector<std::string> names = record.pendingFiles;
    for (const SavedFile& file : record.files)
        names.push_back(file.path);
    const std::string musicSuffix = MediaPlan().music.suffix;
    const bool music = !names.empty() && std::ranges::all_of(names, [&](const std::string& name) {
        return name.ends_with(musicSuffix);
    });
    return music ? TaskFiles::Music : TaskFiles::Post;
}

} // namespace quorvane
