#include "pipeline/answers/PostItemReader.h"

#include "script/JsonNode.h"

#include <algorithm>

namespace quorvane {

namespace {

// A member read as a whole number: negative or unreadable values give 0, so they never win a comparison.
std::int64_t wholeNumber(const JsonNode& node)
{
    return std::max<std::int64_t>(node.integer().value_or(0), 0);
}

bool flagSet(const JsonNode& node)
{
    return node.text() == "true" || node.flag();
}

bool mentionsHevc(std::string_view urlKey)
{
    const auto contains = [&](std::string_view word) {
        return std::search(urlKey.begin(), urlKey.end(), word.begin(), word.end(), [](char a, char b) {
                   return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
               }) != urlKey.end();
    };
    return contains("bytevc1") || contains("h265");
}

// The text entries of an address list (at most maxAddressesPerList), empty ones left out.
std::vector<std::string> addressesOf(const JsonNode& list)
{
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < list.size() && i < maxAddressesPerList; ++i) {
        std::string address = list[i].text();
        if (!address.empty())
            addresses.push_back(std::move(address));
    }
    return addresses;
}

Rung readRung(const JsonNode& entry)
{
    Rung rung;
    rung.gearName = entry["gear_name"].text();
    rung.fps = wholeNumber(entry["FPS"]);
    rung.bitRate = wholeNumber(entry["bit_rate"]);
    rung.hevc = flagSet(entry["is_h265"]) || flagSet(entry["is_bytevc1"]);
    const JsonNode play = entry["play_addr"];
    if (play.isObject()) {
        rung.width = wholeNumber(play["width"]);
        rung.height = wholeNumber(play["height"]);
        rung.dataSize = wholeNumber(play["data_size"]);
        rung.hevc = rung.hevc || mentionsHevc(play["url_key"].text());
        rung.addresses = addressesOf(play["url_list"]);
    }
    return rung;
}

} // namespace

PostDetail readPostItem(const JsonNode& item)
{
    PostDetail post;
    post.id = item["aweme_id"].text();
    post.title = item["desc"].text();
    post.author = item["author"]["nickname"].text();
    post.authorId = item["author"]["sec_uid"].text();
    post.createTime = item["create_time"].integer();
    post.pinned = flagSet(item["is_top"]);
    // Episodes count from 1; a 0 or a negative number names no place.
    post.episode = item["mix_info"]["statis"]["current_episode"].integer();
    if (post.episode && *post.episode <= 0)
        post.episode.reset();

    const JsonNode video = item["video"];
    const JsonNode bitRates = video["bit_rate"];
    for (std::size_t i = 0; i < bitRates.size() && i < maxRungs; ++i)
        post.rungs.push_back(readRung(bitRates[i]));
    post.videoUri = video["play_addr"]["uri"].text();
    post.coverAddresses = addressesOf(video["cover"]["url_list"]);
    if (post.coverAddresses.empty())
        post.coverAddresses = addressesOf(video["origin_cover"]["url_list"]);

    post.musicAddresses = addressesOf(item["music"]["play_url"]["url_list"]);
    post.musicTitle = item["music"]["title"].text();

    const JsonNode images = item["images"];
    post.imagePost = images.size() > 0 && bitRates.size() == 0;
    if (post.imagePost) {
        for (std::size_t i = 0; i < images.size() && i < maxImagesPerPost; ++i)
            post.images.push_back({addressesOf(images[i]["url_list"]),
                                   addressesOf(images[i]["video"]["play_addr"]["url_list"])});
    }
    return post;
}

PostDetail readShareItem(const JsonNode& item)
{
    PostDetail post = readPostItem(item);
    if (post.imagePost)
        return post;
    if (post.rungs.empty()) {
        // The share endpoints often list no bit rates: the play address list is the video's one rung.
        std::vector<std::string> addresses = addressesOf(item["video"]["play_addr"]["url_list"]);
        if (addresses.empty())
            return post;
        post.rungs.push_back(Rung{.addresses = std::move(addresses)});
    }
    for (std::string& address : post.rungs.front().addresses)
        address = watermarkFreeAddress(address);
    return post;
}

std::string unavailableReason(const JsonNode& at)
{
    // The platform's own words first, then its code for the reason.
    const auto describe = [](const JsonNode& said) {
        std::string message;
        for (const char* member : {"detail_msg", "notice", "status_msg"}) {
            message = said[member].text();
            if (!message.empty())
                break;
        }
        const std::string code = said["filter_reason"].text();
        if (message.empty())
            return code.empty() ? std::string(postUnavailable) : code;
        return code.empty() ? message : message + " (" + code + ")";
    };
    if (at["filter_detail"].isObject())
        return describe(at["filter_detail"]);
    if (at["filter_list"].size() > 0)
        return describe(at["filter_list"][0]);
    const std::string status = at["status_code"].text();
    if (!status.empty() && status != "0") {
        const std::string message = at["status_msg"].text();
        return (message.empty() ? std::string(postUnavailable) : message) + " (status_code " + status + ")";
    }
    return std::string();
}

std::string watermarkFreeAddress(std::string_view address)
{
    const std::size_t scheme = address.find("://");
    const std::size_t pathStart = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t pathEnd = std::min(address.find_first_of("?#", pathStart), address.size());
    constexpr std::string_view marker = "/playwm/";
    const std::size_t found = address.find(marker, pathStart);
    if (found == std::string_view::npos || found + marker.size() > pathEnd)
        return std::string(address);
    std::string result(address);
    result.replace(found, marker.size(), "/play/");
    return result;
}

} // namespace quorvane
