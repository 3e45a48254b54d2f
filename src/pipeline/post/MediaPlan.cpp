#include "pipeline/post/MediaPlan.h"

namespace quorvane {

namespace {

// The list whose first entry the post names as its address; an address named apart from the list (the
// first entry of a list whose empty entries were left out) stands alone.
std::vector<std::string> addressesFrom(const std::string& first, const std::vector<std::string>& list)
{
    if (!list.empty() && list.front() == first)
        return list;
    return first.empty() ? list : std::vector<std::string>{first};
}

} // namespace

std::vector<std::string> MediaFile::startingWith(const std::string& first) const
{
    if (!addresses.empty() && addresses.front() == first)
        return addresses;
    return {first};
}

MediaPlan MediaPlan::of(const ParsedPost& post)
{
    MediaPlan plan;
    plan.music = {MediaFile::Kind::Music, 0, ".mp3", addressesFrom(post.musicAddress, post.musicAddresses)};
    if (!post.imagePost) {
        plan.files.push_back(
            {MediaFile::Kind::Video, 0, ".mp4", addressesFrom(post.playAddress, post.videoAddresses)});
        return plan;
    }
    for (std::size_t i = 0; i < post.imageAddresses.size(); ++i) {
        const std::string number = "_" + std::to_string(i + 1);
        plan.files.push_back({MediaFile::Kind::Image, i, number + ".jpg", post.imageAddresses[i]});
        if (i < post.liveVideoAddresses.size() && !post.liveVideoAddresses[i].empty())
            plan.files.push_back(
                {MediaFile::Kind::LiveVideo, i, number + ".mp4", post.liveVideoAddresses[i]});
    }
    return plan;
}

std::vector<std::string> MediaPlan::addressesLike(const MediaFile& file) const
{
    if (file.kind == MediaFile::Kind::Music)
        return music.addresses;
    for (const MediaFile& mine : files)
        if (mine.kind == file.kind && mine.index == file.index)
            return mine.addresses;
    return {};
}

} // namespace quorvane
