#include "pipeline/post/PostParser.h"

#include "base/AsciiCase.h"
#include "base/CharsetConverter.h"
#include "base/TextOps.h"
#include "pipeline/answers/PostItemReader.h"
#include "pipeline/naming/TimeFormats.h"
#include "pipeline/post/LinkIntake.h"
#include "pipeline/post/RungChoice.h"
#include "pipeline/post/VideoChoice.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/OriginalProbe.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/VideoDetail.h"

#include <algorithm>

namespace quorvane {

namespace {

ParseOutcome failed(std::string reason, const TransferResult& transfer = {}, std::string videoId = {})
{
    ParseOutcome outcome;
    outcome.failure.reason = std::move(reason);
    outcome.failure.transfer = transfer;
    outcome.failure.videoId = std::move(videoId);
    return outcome;
}

// The list window's thumbnail goes to the image readers every install has (JPEG, PNG). The platform
// often lists a WebP copy of a picture first and the same picture as JPEG further on.
std::string thumbnailAddress(const std::vector<std::string>& addresses)
{
    for (const std::string& address : addresses) {
        const std::string_view path = std::string_view(address).substr(0, address.find_first_of("?#"));
        for (const std::string_view ending : {".jpeg", ".jpg", ".png"}) {
            if (path.size() >= ending.size() &&
                equalsIgnoringAsciiCase(path.substr(path.size() - ending.size()), ending))
                return address;
        }
    }
    return addresses.empty() ? std::string() : addresses.front();
}

// The most useful reason when no source held the post: the platform's word that it is gone comes first,
// then the first request that failed.
ParseOutcome detailFailure(const DetailResult& detail, const std::string& videoId)
{
    if (!detail.unavailableReasons.empty()) {
        ParseOutcome outcome = failed(reasons::postGone, {}, videoId);
        for (const std::string& said : detail.unavailableReasons)
            outcome.failure.unavailableReason +=
                (outcome.failure.unavailableReason.empty() ? "" : "; ") + said;
        const std::string& said = detail.unavailableReasons.front();
        // The platform's own words, unless it gave none beyond our stand-in.
        if (!said.empty() && said != std::string(postUnavailable))
            outcome.failure.reason += "（" + said + "）";
        return outcome;
    }
    if (!detail.firstTransferFailure.ok())
        return failed(describeTransfer(detail.firstTransferFailure), detail.firstTransferFailure, videoId);
    return failed(reasons::noPostInAnswer, {}, videoId);
}

} // namespace

ParseOutcome parsePost(const std::string& link, const PlatformSettings& platform,
                       const std::atomic<bool>* cancel)
{
    return parseTakenPost(link, takeInLink(link, platform, cancel), platform, cancel);
}

ParseOutcome parseTakenPost(const std::string& link, const LinkIntake& intake,
                            const PlatformSettings& platform, const std::atomic<bool>* cancel)
{
    VideoReference reference;
    if (!intake.asked) {
        // A long link: a list's is no post; a post's names its id in its path.
        if (!intake.target || intake.target->kind != LinkKind::Post)
            return failed(reasons::noPostBehindLink);
        reference = videoReferenceFromTarget(CharsetConverter::utf8ToText(link));
        if (reference.id.empty())
            reference.id = intake.target->id;
    } else {
        reference = videoReferenceFromTarget(intake.redirectTarget);
    }
    if (reference.id.empty()) {
        TransferResult shortLink = intake.shortLink;
        if (!shortLink.ok())
            return failed(describeTransfer(shortLink), shortLink);
        judgeStatus(shortLink);
        // A redirect (3xx) that names no post, or an answer that is no redirect at all.
        if (shortLink.httpStatus >= 400)
            return failed(describeTransfer(shortLink), shortLink);
        return failed(reasons::noPostBehindLink, shortLink);
    }

    DetailResult detail = FetchVideoDetail(reference, platform, cancel);
    if (!detail.post) {
        ParseOutcome outcome = detailFailure(detail, reference.id);
        outcome.attempts = std::move(detail.attempts);
        return outcome;
    }
    ParseOutcome outcome =
        parsedFromDetail(std::move(*detail.post), link, reference.id, detail.source, platform, cancel);
    outcome.attempts = std::move(detail.attempts);
    return outcome;
}

ParseOutcome parsedFromDetail(PostDetail found, const std::string& link, const std::string& id,
                              const char* source, const PlatformSettings& platform,
                              const std::atomic<bool>* cancel)
{
    // 原画 weighs the uploaded original, whose size only a request can tell.
    if (platform.quality == VideoQuality::Original && !found.imagePost)
        found.original = probeOriginal(found, rungAddressToProbe(found), platform, cancel);

    ParsedPost post;
    post.link = link;
    post.id = id;
    post.source = source;
    post.imagePost = found.imagePost;
    // An image post has no video: its play address would be the background music or nothing.
    if (!post.imagePost) {
        VideoChoice video = chooseVideo(found, platform.quality);
        post.videoAddresses = std::move(video.addresses);
        post.quality = std::move(video.quality);
        post.qualityNote = std::move(video.note);
        post.playAddress = post.videoAddresses.empty() ? std::string() : post.videoAddresses.front();
    }
    post.musicAddresses = std::move(found.musicAddresses);
    post.musicAddress = post.musicAddresses.empty() ? std::string() : post.musicAddresses.front();
    post.title = std::move(found.title);
    post.author = std::move(found.author);
    // The list window's thumbnail: the video's cover, else its first frame, else an image post's first
    // picture.
    post.coverAddress = thumbnailAddress(found.coverAddresses);
    post.createTime = found.createTime ? std::to_string(*found.createTime) : std::string();
    // Digits in, digits and separators out: the same bytes in either encoding.
    post.timePrefix = MakeTimePrefix(post.createTime);
    for (PostImage& image : found.images) {
        post.imageAddresses.push_back(std::move(image.addresses));
        post.liveVideoAddresses.push_back(std::move(image.liveVideoAddresses));
    }
    if (post.coverAddress.empty() && !post.imageAddresses.empty())
        post.coverAddress = thumbnailAddress(post.imageAddresses.front());
    ParseOutcome outcome;
    outcome.post = std::move(post);
    return outcome;
}

} // namespace quorvane
