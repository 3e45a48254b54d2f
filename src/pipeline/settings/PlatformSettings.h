#pragma once

#include "pipeline/post/RungChoice.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/SourceOrder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class IniFile;

// Where the pipeline talks to. Empty members mean the real platform and the system's trusted roots. The
// user's five choices are Settings (Settings.h); both are read from the one settings file.
// Read from the settings file, section "平台" (keys "网页主机", "分享主机", "证书文件", "访客主机",
// "标识主机", "手机主机", "直播主机", "直播回流主机", "来源顺序") and section "下载" (keys "画质", "连接数");
// the time limits and the guest state file are not in the file (tests set them).
struct PlatformSettings
{
    std::string webHost;     // the detail request's host, with an optional port (ASCII)
    std::string shareHost;   // host of the share-page endpoints the detail falls back on (ASCII)
    std::string caFile;      // PEM bundle of trusted roots, used instead of the system's (UTF-8 path)
    std::string guestHost;   // host that registers guest sessions, with an optional port (ASCII)
    std::string webIdHost;   // host of the web-id service of the reflow source, with an optional port (ASCII)
    std::string liveHost;    // host of the live room's enter request, with an optional port (ASCII)
    std::string mobileHost;  // host of the phone pages (a creator's reflow page and list), optional port
    std::string webcastHost; // host of the live room by id and its reflow page, with an optional port (ASCII)
    // The detail sources by key (SourceNames.h), in the order they are tried.
    std::vector<std::string> sourceOrder = defaultSourceOrder();
    VideoQuality quality = VideoQuality::Compatible;
    // Where the guest session is kept; empty: the user's state folder (GuestSession::defaultStateFile()).
    std::filesystem::path guestStateFile;

    int connections = 8;            // connections at once for one large file; 1: one (1 to 16)
    int requestTimeoutSeconds = 15; // each phase of every request, and connecting for a download
    int stallSeconds = 30;          // a download that receives nothing for this long fails
    // A download stopped through its cancel flag keeps its part file and resume record (the download
    // list's pause, and its work left for the next start) instead of removing them.
    bool keepPartOnCancel = false;

    // The hosts to talk to: the settings' when set, else the platform's own (PlatformProfile).
    std::string effectiveWebHost() const { return webHost.empty() ? PlatformProfile::webHost : webHost; }
    std::string effectiveShareHost() const
    {
        return shareHost.empty() ? PlatformProfile::shareHost : shareHost;
    }
    std::string effectiveGuestHost() const
    {
        return guestHost.empty() ? PlatformProfile::guestHost : guestHost;
    }

    // The web-id service the reflow source asks when a share page carries no web id.
    std::string effectiveWebIdHost() const
    {
        return webIdHost.empty() ? PlatformProfile::webIdHost : webIdHost;
    }

    std::string effectiveLiveHost() const { return liveHost.empty() ? PlatformProfile::liveHost : liveHost; }
    std::string effectiveWebcastHost() const
    {
        return webcastHost.empty() ? PlatformProfile::webcastHost : webcastHost;
    }

    // The phone pages' host (a creator's page and posts through the reflow door).
    std::string effectiveMobileHost() const
    {
        return mobileHost.empty() ? PlatformProfile::mobileHost : mobileHost;
    }

    // The keys of a settings file already read; missing or empty keys keep the defaults, and so does a
    // 画质 value other than 兼容, 最高, 首项 and 原画 and a 连接数 that is not a number from 1 to 16.
    static PlatformSettings fromIni(const IniFile& ini);
    // A connection count as the settings file or the command line give it: 1 to maxConnections.
    static std::optional<int> parseConnections(std::string_view text);
    static constexpr int maxConnections = 16;
    // The keys of the settings file at `path` (the program's settings file when empty).
    static PlatformSettings load(const std::filesystem::path& path = {});
};

} // namespace quorvane
