#pragma once

#include "pipeline/post/ParsedPost.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane {

// One file a post gives.
struct MediaFile
{
    enum class Kind
    {
        Video,
        Music,
        Image,
        LiveVideo, // a live photo's video, saved beside its still
    };
    Kind kind = Kind::Video;
    std::size_t index = 0; // an image and its live photo's video: the image's place from 0; else 0
    std::string suffix;    // what follows the file's base name: ".mp4", ".mp3", "_3.jpg", "_3.mp4"
    std::vector<std::string> addresses; // in the order to try them (UTF-8); empty when the post gave none

    // The addresses to download from when `first` is the address the user has (the window's box): the
    // whole list when it starts with `first`, else `first` alone (an address the user typed).
    std::vector<std::string> startingWith(const std::string& first) const;
};

// Which files a post gives, in the order they are saved: an image post's images, each followed by its
// live photo's video when it has one; any other post its video. The music is kept apart: it is saved only
// when asked for.
struct MediaPlan
{
    std::vector<MediaFile> files;
    MediaFile music{MediaFile::Kind::Music, 0, ".mp3", {}};

    static MediaPlan of(const ParsedPost& post);

    // The same file in this plan (made from a second parse of the post): its addresses, or none when
    // this parse has no such file.
    std::vector<std::string> addressesLike(const MediaFile& file) const;
};

} // namespace quorvane
