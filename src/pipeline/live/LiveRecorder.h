#pragma once

#include "pipeline/answers/LiveRoom.h"
#include "pipeline/live/LiveFileWriter.h"
#include "pipeline/live/LiveLink.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

struct PlatformSettings;

// What a recording is asked to do.
struct LiveRecordingOptions
{
    std::string quality;        // a quality key or name (liveQualityKey); empty: the room's best
    double durationSeconds = 0; // stop after this long; 0: until the stream ends
    double segmentSeconds = 0;  // a new file after this long, at a key frame; 0: one file
    LiveFileWriter::PathOfPart pathOfPart;
    LiveFileWriter::FileStarted fileStarted;   // told each new file's path as it is made (for the history)
    const std::atomic<bool>* cancel = nullptr; // the user's stop: the files stay whole, the recording ok
    int retryPauseMilliseconds = 1000;         // before asking the room again after a failed connection
    int maxFailedConnections = 5;              // connections in a row that bring no tag before giving up
};

// How far a recording has come: wall-clock seconds since it began, bytes on disk, files made.
struct LiveProgress
{
    double elapsedSeconds = 0;
    std::uint64_t bytes = 0;
    std::size_t files = 0;
};

// How a recording ended.
struct LiveRecordingResult
{
    std::vector<std::string> files; // every file made (UTF-8), also on failure
    double durationSeconds = 0;     // from the first media timestamp to the last, over all files
    std::string quality;            // the quality key pulled (last)
    std::string qualityNote;        // which and why (for --verbose)
    std::string error;              // empty: ended well (the stream or the room ended, a limit, the user)
    bool stoppedByUser = false;
    LiveRoom room; // the room as last asked
};

// Records a live room: pulls the chosen quality's HTTP-FLV stream, reads it tag by tag and writes whole
// tags as they arrive (LiveFileWriter). When a connection ends, the room is asked again: still live, the
// recording goes on from its fresh addresses in the same file; ended (or gone), it stops well. A stream
// that is not FLV from its first byte, or a room without an FLV stream, fails with its reason and no
// file. Blocking; the progress is reported on the calling thread.
LiveRecordingResult recordLiveRoom(const LiveLink& link, const LiveRoom& room,
                                   const PlatformSettings& platform, const LiveRecordingOptions& options,
                                   const std::function<void(const LiveProgress&)>& progress = {});

} // namespace quorvane
