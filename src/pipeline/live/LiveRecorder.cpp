#include "pipeline/live/LiveRecorder.h"

#include "net/StreamRequest.h"
#include "pipeline/answers/LiveRoomReader.h"
#include "pipeline/live/FlvTagReader.h"
#include "pipeline/live/LiveRoomSource.h"
#include "pipeline/live/LiveStreamChoice.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"

#include <chrono>
#include <thread>

namespace quorvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* noFlvStream = "直播间没有可录制的 FLV 直播流";
constexpr const char* emptyStream = "直播流没有数据";

// The room's streams that can be pulled as FLV.
LiveRoom withFlvStreams(LiveRoom room)
{
    std::erase_if(room.streams, [](const LiveStream& stream) { return stream.flvAddress.empty(); });
    if (room.audioOnly && room.audioOnly->flvAddress.empty())
        room.audioOnly.reset();
    return room;
}

class Recording
{
public:
    Recording(const LiveLink& link, const PlatformSettings& platform, const LiveRecordingOptions& options,
              const std::function<void(const LiveProgress&)>& progress)
        : m_link(link), m_platform(platform), m_options(options), m_progress(progress),
          m_writer(options.pathOfPart, options.segmentSeconds, options.fileStarted)
    {}

    LiveRecordingResult run(LiveRoom room)
    {
        LiveRecordingResult result;
        result.room = room;
        int failures = 0;
        for (;;) {
            const LiveRoom pullable = withFlvStreams(room);
            if (pullable.streams.empty()) {
                result.error = noFlvStream;
                break;
            }
            const LiveStreamChoice choice =
                chooseLiveStream(pullable, liveQualityKey(pullable, m_options.quality));
            result.quality = choice.stream->sdkKey;
            result.qualityNote = choice.note;

            std::string ended;
            if (!pull(choice.stream->flvAddress, ended, result))
                break;
            failures = m_writer.tagsThisConnection() > 0 ? 0 : failures + 1;
            if (failures >= m_options.maxFailedConnections) {
                result.error = ended;
                break;
            }
            if (failures > 0 && !pause())
                break;
            // The connection ended: the room says whether the broadcast goes on, with fresh addresses.
            const LiveRoomAnswer answer = fetchLiveRoom(m_link, m_platform, m_options.cancel);
            if (stopped())
                break;
            if (answer.ok()) {
                room = answer.reading.room;
                result.room = room;
                continue;
            }
            const LiveRoomProblem problem = answer.reading.problem;
            if (answer.transfer.ok() &&
                (problem == LiveRoomProblem::NotLive || problem == LiveRoomProblem::NoRoom))
                break; // the broadcast is over
            // No word from the room: the old addresses are tried again after a pause.
            if (++failures >= m_options.maxFailedConnections) {
                result.error = answer.failure();
                break;
            }
            if (!pause())
                break;
        }
        if (!m_writer.close() && result.error.empty())
            result.error = describeTransfer(m_writer.error());
        result.stoppedByUser = m_options.cancel && m_options.cancel->load();
        if (result.stoppedByUser)
            result.error.clear();
        result.files = m_writer.files();
        result.durationSeconds = m_writer.mediaSeconds();
        report(true);
        return result;
    }

private:
    bool stopped() const { return m_options.cancel && m_options.cancel->load(); }

    bool timeUp() const { return m_options.durationSeconds > 0 && elapsed() >= m_options.durationSeconds; }

    double elapsed() const { return std::chrono::duration<double>(Clock::now() - m_started).count(); }

    void report(bool always)
    {
        const Clock::time_point now = Clock::now();
        if (!m_progress || (!always && now - m_lastReport < std::chrono::milliseconds(100)))
            return;
        m_lastReport = now;
        m_progress({elapsed(), m_writer.bytesWritten(), m_writer.files().size()});
    }

    // Waits before the next try; false when the user stopped or the time ran out meanwhile.
    bool pause()
    {
        const Clock::time_point until =
            Clock::now() + std::chrono::milliseconds(m_options.retryPauseMilliseconds);
        while (Clock::now() < until) {
            if (stopped() || timeUp())
                return false;
            report(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return !stopped() && !timeUp();
    }

    // One connection. False when the recording is over (stopped, time up, a failure in `result`); true
    // when the connection ended and the room should be asked, with why it ended in `ended`.
    bool pull(const std::string& address, std::string& ended, LiveRecordingResult& result)
    {
        FlvTagReader reader;
        m_writer.newConnection();
        const StreamReceiver receiver{
            .receive =
                [&](std::string_view piece) {
                    const bool read =
                        reader.feed(piece, [&](const FlvTag& tag) { m_writer.take(tag, reader); });
                    if (!read || !m_writer.flush())
                        return false;
                    report(false);
                    return !timeUp();
                },
            .keepGoing =
                [&] {
                    report(false);
                    return !timeUp();
                },
        };
        const StreamEnd end = streamAddress({.url = address,
                                             .userAgent = PlatformProfile::desktopAgent,
                                             .referer = PlatformProfile::liveReferer,
                                             .caFile = m_platform.caFile,
                                             .connectTimeoutSeconds = m_platform.requestTimeoutSeconds,
                                             .stallSeconds = m_platform.stallSeconds,
                                             .cancel = m_options.cancel},
                                            receiver);
        if (!m_writer.flush()) {
            result.error = describeTransfer(m_writer.error());
            return false;
        }
        if (reader.failed() && !m_writer.hasFile()) {
            result.error = reader.error(); // not a stream we can record: nothing to write, no file
            return false;
        }
        if (stopped() || timeUp())
            return false;
        if (reader.failed())
            ended = reader.error();
        else if (!end.result.ok())
            ended = describeTransfer(end.result);
        else
            ended = emptyStream;
        return true;
    }

    const LiveLink& m_link;
    const PlatformSettings& m_platform;
    const LiveRecordingOptions& m_options;
    const std::function<void(const LiveProgress&)>& m_progress;
    LiveFileWriter m_writer;
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_lastReport;
};

} // namespace

LiveRecordingResult recordLiveRoom(const LiveLink& link, const LiveRoom& room,
                                   const PlatformSettings& platform, const LiveRecordingOptions& options,
                                   const std::function<void(const LiveProgress&)>& progress)
{
    return Recording(link, platform, options, progress).run(room);
}

} // namespace quorvane
