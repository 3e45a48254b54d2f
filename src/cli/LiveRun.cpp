#include "cli/LiveRun.h"

#include "base/platform/Paths.h"
#include "cli/StopSignals.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/live/LiveRecorder.h"
#include "pipeline/live/LiveRemux.h"
#include "pipeline/live/LiveRoomSource.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/naming/TimeFormats.h"
#include "script/JsonOut.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

namespace quorvane {

namespace {

std::string clock(double seconds)
{
    const long whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

std::string megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// Waits `seconds`, looking at the stop flag; false when it was set.
bool waitFor(double seconds, const std::atomic<bool>& stop)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (stop.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return !stop.load();
}

} // namespace

LiveRun::LiveRun(const CliOptions& options, std::string folder, NameTemplate nameTemplate,
                 const PlatformSettings& platform, LiveSettings settings, TerminalOutput& out,
                 HistoryStore* history)
    : m_options(options), m_folder(std::move(folder)), m_nameTemplate(std::move(nameTemplate)),
      m_platform(platform), m_settings(std::move(settings)), m_out(out), m_history(history)
{}

LiveRun::Status LiveRun::record(const std::string& link, const LiveLink& room)
{
    const StopSignals signals;
    const std::atomic<bool>& stop = StopSignals::flag();
    LiveRoomAnswer answer = fetchLiveRoom(room, m_platform, &stop);
    bool toldWaiting = false;
    // Waiting goes on while nobody broadcasts, and through passing network trouble.
    while (m_options.waitForVideo && !answer.ok() && !stop.load() &&
           (answer.notLive() || isTransient(answer.transfer))) {
        if (!toldWaiting && !m_options.quiet)
            m_out.printError("未开播，每 " + std::to_string(static_cast<long>(*m_options.waitForVideo)) +
                             " 秒再问一次……");
        toldWaiting = true;
        if (!waitFor(*m_options.waitForVideo, stop))
            break;
        answer = fetchLiveRoom(room, m_platform, &stop);
    }
    if (m_options.verbose) {
        m_out.printError("直播间：" + TerminalOutput::terminalLine(answer.asked));
        for (const std::string& note : answer.reading.notes)
            m_out.printError(TerminalOutput::terminalLine(note));
    }
    if (!answer.ok()) {
        LiveRecordingResult nothing;
        nothing.room = answer.reading.room;
        m_notLive = answer.notLive();
        const std::string error = parseFailedLine(TerminalOutput::terminalLine(answer.failure()));
        m_out.printError(error);
        finished(link, nothing, error);
        return NotRecorded;
    }

    const LiveRoom& live = answer.reading.room;
    if (!m_options.json)
        std::cout << "【直播】" << TerminalOutput::terminalLine(live.title) << " - "
                  << TerminalOutput::terminalLine(live.nickname) << std::endl;
    if (m_options.noDownload) {
        // Asked only: the room is live, nothing is recorded.
        LiveRecordingResult asked;
        asked.room = live;
        finished(link, asked, std::string());
        return Recorded;
    }
    // In the history from here on: a crash or a kill leaves a running record naming the files begun.
    if (m_history) {
        m_record.emplace(*m_history, link);
        m_record->recording(live.roomId, live.title, live.nickname);
    }
    // {time} is when the recording began; {id} the room's id.
    const NameFields fields{MakeTimePrefix(std::to_string(std::time(nullptr))), live.title, live.roomId,
                            live.nickname};
    LiveRecordingOptions options;
    options.quality = m_options.liveQuality ? *m_options.liveQuality : m_settings.quality;
    options.durationSeconds = m_options.liveDuration.value_or(0);
    options.segmentSeconds = m_options.liveSegment.value_or(m_settings.segmentMinutes) * 60;
    options.cancel = &stop;
    options.pathOfPart = [this, fields](int part) {
        const std::string suffix = part == 1 ? ".flv" : "_" + std::to_string(part) + ".flv";
        const std::string path = m_nameTemplate.targetPath(m_folder, fields, suffix);
        const std::filesystem::path folder = m_folder.empty() ? userDownloadFolder() : pathFromUtf8(m_folder);
        std::error_code ignored;
        if (m_nameTemplate.hasSubfolders() && std::filesystem::is_directory(folder, ignored))
            std::filesystem::create_directories(pathFromUtf8(path).parent_path(), ignored);
        return path;
    };
    options.fileStarted = [this](const std::string& path) { started(path); };
    const LiveRecordingResult result =
        recordLiveRoom(room, live, m_platform, options, [this](const LiveProgress& p) {
            m_out.statusLine("录制中 " + clock(p.elapsedSeconds) + "  " + megabytes(p.bytes));
        });
    m_out.clearProgress();
    if (m_options.verbose && !result.qualityNote.empty())
        m_out.printError(TerminalOutput::terminalLine(result.qualityNote));
    LiveRecordingResult kept = result;
    if (m_settings.toMp4 && !kept.files.empty()) {
        // The recording stays as FLV unless ffmpeg copies it into an MP4 whole.
        if (!remuxAvailable()) {
            m_out.printError("直播/转为MP4：没有找到 ffmpeg，保留 FLV");
        } else {
            for (std::string& file : kept.files) {
                RemuxOutcome remuxed = remuxToMp4(file);
                if (!remuxed.note.empty())
                    m_out.printError(TerminalOutput::terminalLine(remuxed.note));
                file = std::move(remuxed.file);
            }
        }
    }
    std::string error;
    if (!result.error.empty()) {
        error = downloadFailedLine(TerminalOutput::terminalLine(result.error));
        m_out.printError(error);
    }
    finished(link, kept, error);
    return error.empty() ? Recorded : Failed;
}

void LiveRun::started(const std::string& path)
{
    if (m_record)
        m_record->fileStarted(path);
    if (!m_options.json && !m_options.quiet)
        m_out.printError("录制到：" + TerminalOutput::terminalLine(path));
}

void LiveRun::finished(const std::string& link, const LiveRecordingResult& result, const std::string& error)
{
    if (m_record) {
        m_record->setDuration(static_cast<std::int64_t>(std::llround(result.durationSeconds)));
        m_record->finish(result.files, error);
        m_record.reset();
    }
    if (!m_options.json) {
        for (const std::string& file : result.files)
            std::cout << "  -> " << TerminalOutput::terminalLine(file) << "\n";
        std::cout.flush();
        return;
    }
    // Members in name order, as every line of the command line has them.
    JsonOut line;
    line.beginObject();
    line.key("author").string(result.room.nickname);
    line.key("duration").number(std::round(result.durationSeconds * 1000) / 1000);
    line.key("error");
    if (error.empty())
        line.null();
    else
        line.string(error);
    line.key("files").beginArray();
    for (const std::string& file : result.files)
        line.string(file);
    line.endArray();
    line.key("kind").string("live");
    line.key("link").string(link);
    line.key("quality").string(result.quality);
    line.key("room_id").string(result.room.roomId);
    line.key("title").string(result.room.title);
    line.endObject();
    std::cout << line.text() << std::endl;
}

} // namespace quorvane
