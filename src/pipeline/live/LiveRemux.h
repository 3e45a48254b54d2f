#pragma once

#include <string>

namespace quorvane {

// What remuxing one recording gave.
struct RemuxOutcome
{
    std::string file; // the file that holds the recording now: the MP4, or the FLV when it stayed
    std::string note; // why the FLV stayed (UTF-8); empty when the MP4 took its place
};

// Whether an ffmpeg program is on PATH.
bool remuxAvailable();

// Copies the streams of the FLV recording at `flvPath` (UTF-8) into an MP4 beside it with ffmpeg, without
// re-encoding. The FLV is removed only once ffmpeg ended well and the MP4 is there; an MP4 already there
// is never replaced, and one that ffmpeg left unfinished is removed.
RemuxOutcome remuxToMp4(const std::string& flvPath);

} // namespace quorvane
