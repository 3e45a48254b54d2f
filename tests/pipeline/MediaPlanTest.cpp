// Which files a post gives, and where a second parse's fresh addresses for one of them come from.
#include "pipeline/post/MediaPlan.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

using Kind = MediaFile::Kind;
using List = std::vector<std::string>;

ParsedPost imagePost(std::vector<List> images, std::vector<List> liveVideos)
{
    ParsedPost post;
    post.imagePost = true;
    post.imageAddresses = std::move(images);
    post.liveVideoAddresses = std::move(liveVideos);
    post.musicAddress = "https://m/1.mp3";
    post.musicAddresses = {"https://m/1.mp3", "https://m/2.mp3"};
    return post;
}

TEST(MediaPlan, AnImagePostGivesEachStillFollowedByItsLiveVideo)
{
    // Three images; the second is a plain still, and the live-video list is one short.
    const MediaPlan plan = MediaPlan::of(
        imagePost({{"https://i/1a", "https://i/1b"}, {"https://i/2"}, {}}, {{"https://v/1"}, {}}));
    ASSERT_EQ(plan.files.size(), 4u);
    const struct
    {
        Kind kind;
        std::size_t index;
        const char* suffix;
        List addresses;
    } expected[] = {{Kind::Image, 0, "_1.jpg", {"https://i/1a", "https://i/1b"}},
                    {Kind::LiveVideo, 0, "_1.mp4", {"https://v/1"}},
                    {Kind::Image, 1, "_2.jpg", {"https://i/2"}},
                    {Kind::Image, 2, "_3.jpg", {}}}; // an image without addresses still has its place
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        EXPECT_EQ(plan.files[i].kind, expected[i].kind) << i;
        EXPECT_EQ(plan.files[i].index, expected[i].index) << i;
        EXPECT_EQ(plan.files[i].suffix, expected[i].suffix) << i;
        EXPECT_EQ(plan.files[i].addresses, expected[i].addresses) << i;
    }
    EXPECT_EQ(plan.music.suffix, ".mp3");
    EXPECT_EQ(plan.music.addresses, (List{"https://m/1.mp3", "https://m/2.mp3"}));
}

TEST(MediaPlan, AVideoPostStartsWithItsPlayAddress)
{
    ParsedPost post;
    post.playAddress = "https://p/1";
    post.videoAddresses = {"https://p/1", "https://p/2"};
    EXPECT_EQ(MediaPlan::of(post).files.size(), 1u);
    EXPECT_EQ(MediaPlan::of(post).files[0].suffix, ".mp4");
    EXPECT_EQ(MediaPlan::of(post).files[0].addresses, post.videoAddresses);
    // A play address that does not begin the list (its list's empty entries were left out) stands alone;
    // an empty one leaves the list.
    post.playAddress = "https://elsewhere/1";
    EXPECT_EQ(MediaPlan::of(post).files[0].addresses, List{"https://elsewhere/1"});
    post.playAddress.clear();
    EXPECT_EQ(MediaPlan::of(post).files[0].addresses, post.videoAddresses);
    // No music at all: an empty list, so that callers can say so.
    EXPECT_TRUE(MediaPlan::of(post).music.addresses.empty());
    EXPECT_EQ(MediaPlan::of(post).music.kind, Kind::Music);
    EXPECT_EQ(MediaPlan().music.suffix, ".mp3");
}

TEST(MediaPlan, TheUsersAddressKeepsTheListOnlyWhileItIsTheParsesFirst)
{
    const MediaFile file{Kind::Video, 0, ".mp4", {"https://p/1", "https://p/2"}};
    EXPECT_EQ(file.startingWith("https://p/1"), file.addresses);
    EXPECT_EQ(file.startingWith("https://typed/x"), List{"https://typed/x"});
    EXPECT_EQ(file.startingWith("https://p/2"), List{"https://p/2"});
    EXPECT_EQ(MediaFile{}.startingWith("https://typed/x"), List{"https://typed/x"});
}

TEST(MediaPlan, ASecondParseRenewsTheSameFileOnly)
{
    const MediaPlan first =
        MediaPlan::of(imagePost({{"https://old/1"}, {"https://old/2"}}, {{}, {"https://old/v2"}}));
    const MediaPlan again = MediaPlan::of(
        imagePost({{"https://new/1"}, {"https://new/2"}}, {{"https://new/v1"}, {"https://new/v2"}}));
    ASSERT_EQ(first.files.size(), 3u);
    EXPECT_EQ(again.addressesLike(first.files[0]), List{"https://new/1"});
    EXPECT_EQ(again.addressesLike(first.files[1]), List{"https://new/2"});
    // The second image's live video, not the first's, which only the second parse has.
    EXPECT_EQ(again.addressesLike(first.files[2]), List{"https://new/v2"});
    EXPECT_EQ(again.addressesLike(first.music), again.music.addresses);
    // A parse with fewer images, or that turned into a video post, has nothing for the file.
    EXPECT_TRUE(MediaPlan::of(imagePost({{"https://new/1"}}, {})).addressesLike(first.files[1]).empty());
    ParsedPost video;
    video.videoAddresses = {"https://p/1"};
    EXPECT_TRUE(MediaPlan::of(video).addressesLike(first.files[0]).empty());
    EXPECT_EQ(MediaPlan::of(video).addressesLike(MediaFile{Kind::Video, 0, ".mp4", {"https://x"}}),
              video.videoAddresses);
}

} // namespace
} // namespace quorvane::test
