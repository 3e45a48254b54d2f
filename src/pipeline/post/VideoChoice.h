#pragma once

#include "pipeline/answers/PostDetail.h"
#include "pipeline/post/RungChoice.h"

#include <string>
#include <vector>

namespace quorvane {

// The video a post is saved as: its addresses in the order to try them, the quality they stand for, and
// why it was chosen.
struct VideoChoice
{
    std::vector<std::string> addresses;
    std::string quality; // the rung's gear_name, or "original" for the uploaded original
    std::string note;    // for --verbose: which video and why; empty when nothing was weighed
};

// The video of a post for the quality: for First exactly the first rung's addresses in order, otherwise
// the chosen rung's with direct ones first. For Original the best rung of any codec is weighed against
// the original the sources probed (`post.original`): the original is taken when larger than the rung (its
// data_size, else its probed size), its address then followed by the rung's. Empty addresses when there
// is no rung to play. Makes no request.
VideoChoice chooseVideo(const PostDetail& post, VideoQuality quality);

// The address whose size the 原画 choice needs probed besides the original's: the first address to try
// of the best rung of any codec, when that rung gives no data_size; empty otherwise.
std::string rungAddressToProbe(const PostDetail& post);

} // namespace quorvane
