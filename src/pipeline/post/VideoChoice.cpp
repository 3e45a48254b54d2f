#include "pipeline/post/VideoChoice.h"

#include <cstdio>

namespace quorvane {

namespace {

// A size as a reader takes it in: MiB from one MiB on, bytes below.
std::string sizeText(std::int64_t bytes)
{
    if (bytes < 1024 * 1024)
        return std::to_string(bytes) + " 字节";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string rungName(const Rung& rung)
{
    if (!rung.gearName.empty())
        return rung.gearName;
    return std::to_string(rung.shortEdge()) + "p";
}

} // namespace

std::string rungAddressToProbe(const PostDetail& post)
{
    const std::optional<std::size_t> best = chooseRung(post.rungs, VideoQuality::Best);
    if (!best || post.rungs[*best].dataSize != 0)
        return std::string();
    return directAddressesFirst(post.rungs[*best].addresses).front();
}

VideoChoice chooseVideo(const PostDetail& post, VideoQuality quality)
{
    VideoChoice choice;
    const std::vector<Rung>& rungs = post.rungs;
    if (quality == VideoQuality::First) {
        // Exactly the first address list, as the platform orders it.
        if (!rungs.empty()) {
            choice.addresses = rungs.front().addresses;
            choice.quality = rungs.front().gearName;
        }
        return choice;
    }
    const bool original = quality == VideoQuality::Original;
    const std::optional<std::size_t> chosen = chooseRung(rungs, original ? VideoQuality::Best : quality);
    if (chosen) {
        choice.addresses = directAddressesFirst(rungs[*chosen].addresses);
        choice.quality = rungs[*chosen].gearName;
    }
    if (!original)
        return choice;

    if (!post.original || post.original->url.empty()) {
        choice.note = "原画：作品没有 play_addr.uri，保存最佳档位";
        return choice;
    }
    const OriginalOffer& offer = *post.original;
    if (!offer.size) {
        choice.note = "原画：无法得知原画大小（" + offer.why + "），保存最佳档位";
        return choice;
    }
    std::int64_t rungSize = chosen ? rungs[*chosen].dataSize : 0;
    if (chosen && rungSize == 0)
        rungSize = offer.rungSize.value_or(0);
    const std::string rung = chosen
                                 ? "最佳档位 " + rungName(rungs[*chosen]) + "（" + sizeText(rungSize) + "）"
                                 : std::string("没有可用档位");
    if (*offer.size > rungSize) {
        choice.note = "原画：" + sizeText(*offer.size) + "，大于" + rung + "，保存原画";
        choice.quality = "original";
        // The rung stays behind it, for when the original cannot be fetched.
        choice.addresses.insert(choice.addresses.begin(), offer.url);
    } else {
        choice.note = "原画：" + sizeText(*offer.size) + "，不大于" + rung + "，保存该档位";
    }
    return choice;
}

} // namespace quorvane
