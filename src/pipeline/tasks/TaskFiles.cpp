#include "pipeline/tasks/TaskFiles.h"

#include "pipeline/naming/FileNaming.h"

namespace quorvane {

std::vector<Text> TaskFile::addressesIn(const ParsedPost& again) const
{
    switch (kind) {
    case Video:
        return again.videoAddresses;
    case Image:
        return index < again.imageAddresses.size() ? again.imageAddresses[index] : std::vector<Text>();
    case LiveVideo:
        return index < again.liveVideoAddresses.size() ? again.liveVideoAddresses[index]
                                                       : std::vector<Text>();
    }
    return {};
}

std::vector<TaskFile> planTaskFiles(const ParsedPost& post, const Text& folder, const Text& title,
                                    bool titleOnly)
{
    const auto path = [&](const std::string& suffix) {
        return composeTargetPath(folder, title, post.timePrefix, titleOnly, suffix);
    };
    std::vector<TaskFile> files;
    if (!post.imagePost) {
        std::vector<Text> addresses = post.videoAddresses;
        if (addresses.empty() && !post.playAddress.empty())
            addresses.push_back(post.playAddress);
        files.push_back({path(".mp4"), std::move(addresses), TaskFile::Video, 0});
        return files;
    }
    for (std::size_t i = 0; i < post.imageAddresses.size(); ++i) {
        const std::string n = "_" + std::to_string(i + 1);
        files.push_back({path(n + ".jpg"), post.imageAddresses[i], TaskFile::Image, i});
        if (i < post.liveVideoAddresses.size() && !post.liveVideoAddresses[i].empty())
            files.push_back({path(n + ".mp4"), post.liveVideoAddresses[i], TaskFile::LiveVideo, i});
    }
    return files;
}

} // namespace quorvane
