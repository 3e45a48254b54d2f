#pragma once

#include "cli/CliOptions.h"
#include "cli/LinkRecorder.h"
#include "cli/TerminalOutput.h"
#include "pipeline/live/LiveLink.h"
#include "pipeline/naming/NameTemplate.h"
#include "pipeline/settings/LiveSettings.h"
#include "pipeline/settings/PlatformSettings.h"

#include <optional>
#include <string>

namespace quorvane {

class HistoryStore;

struct LiveRecordingResult;

// One live link of quorvane-cli: asks for the room (again every --wait-for-video seconds while it is not
// live), records it until the stream ends, the time limit or Ctrl-C/SIGTERM, and tells the outcome
// (a --json line of kind "live"). The history's record of it would be added where the recording starts
// (started) and closed with its files where it ends (finished).
class LiveRun
{
public:
    enum Status
    {
        Recorded = 0,
        NotRecorded = 1, // the room is not live, not there, or its answer unusable
        Failed = 3,      // the recording failed (a file may hold what arrived before)
    };

    // `history` (may be null): where the recording is recorded, of kind live.
    LiveRun(const CliOptions& options, std::string folder, NameTemplate nameTemplate,
            const PlatformSettings& platform, LiveSettings settings, TerminalOutput& out,
            HistoryStore* history = nullptr);

    Status record(const std::string& link, const LiveLink& room);
    // After record gave NotRecorded: the room is there but nobody broadcasts.
    bool wasNotLive() const { return m_notLive; }

private:
    void started(const std::string& path);
    void finished(const std::string& link, const LiveRecordingResult& result, const std::string& error);

    const CliOptions& m_options;
    std::string m_folder;
    NameTemplate m_nameTemplate;
    const PlatformSettings& m_platform;
    LiveSettings m_settings;
    TerminalOutput& m_out;
    HistoryStore* m_history;
    std::optional<LinkRecorder> m_record;
    bool m_notLive = false;
};

} // namespace quorvane
