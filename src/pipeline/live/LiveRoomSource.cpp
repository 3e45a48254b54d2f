#include "pipeline/live/LiveRoomSource.h"

#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/answers/LiveRoomReader.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/GuestSession.h"
#include "pipeline/sources/VideoDetail.h"

namespace quorvane {

namespace {

// The browser the enter request's query claims to be: the desktop agent's.
constexpr const char* browserVersion = "50.0.2661.87";

// The answers of a room are small; a larger one is no room answer.
constexpr std::size_t maxRoomAnswerBytes = 8u << 20;

struct Answer
{
    std::string body;
    TransferResult transfer;
};

Answer get(const std::string& url, const char* agent, const char* referer, const std::string* ttwid,
           const PlatformSettings& platform, std::string& asked, const std::atomic<bool>* cancel)
{
    KeyValueList headers;
    headers.Add("User-Agent", agent);
    headers.Add("Referer", referer);
    Text cookies = ttwid ? "ttwid=" + *ttwid : Text();
    Answer answer;
    const ByteSet body = HttpRequest(url, {.cookies = ttwid ? &cookies : nullptr,
                                           .headers = headers.ToHeaderText(),
                                           .timeoutSeconds = platform.requestTimeoutSeconds,
                                           .mergeCookies = false,
                                           .caFile = platform.caFile,
                                           .maxResponseBytes = maxRoomAnswerBytes,
                                           .result = &answer.transfer,
                                           .cancel = cancel});
    judgeStatus(answer.transfer);
    asked += (asked.empty() ? "GET " : "; GET ") + url;
    answer.body = toByteString(body);
    return answer;
}

LiveRoomAnswer enterRoom(const std::string& webRid, const PlatformSettings& platform, std::string asked,
                         const std::atomic<bool>* cancel)
{
    LiveRoomAnswer result;
    result.asked = std::move(asked);
    GuestSession session(platform, cancel);
    bool registered = false;
    std::string why;
    std::optional<GuestSession::Cookie> cookie = session.cookie(registered, why);
    for (int round = 0; round < 2; ++round) {
        if (!cookie) {
            result.reading.failure = why;
            return result;
        }
        const std::string url = liveEnterUrl(webRid, platform);
        const Answer answer = get(url, PlatformProfile::desktopAgent, PlatformProfile::liveReferer,
                                  &cookie->value, platform, result.asked, cancel);
        result.transfer = answer.transfer;
        result.reading = readLiveRoomEnter(answer.body);
        // An answer that says nothing readable to a stored cookie: the platform no longer takes it.
        if (registered || !answer.transfer.ok() || result.reading.problem != LiveRoomProblem::Unreadable)
            break;
        session.forget();
        registered = true;
        cookie = session.registerNew(why);
    }
    if (result.reading.room.webRid.empty())
        result.reading.room.webRid = webRid;
    return result;
}

} // namespace

std::string LiveRoomAnswer::failure() const
{
    if (!transfer.ok())
        return describeTransfer(transfer);
    return reading.failure;
}

std::string liveEnterUrl(const std::string& webRid, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveLiveHost() +
           "/webcast/room/web/enter/?aid=6383&app_name=douyin_web&live_id=1&device_platform=web&"
           "language=zh-CN&browser_language=zh-CN&browser_platform=Win32&browser_name=Chrome&"
           "browser_version=" +
           browserVersion + "&web_rid=" + webRid;
}

std::string liveReflowInfoUrl(const std::string& roomId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebcastHost() +
           "/webcast/room/reflow/info/?type_id=0&live_id=1&room_id=" + roomId + "&app_id=1128";
}

std::string liveReflowPageUrl(const std::string& roomId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebcastHost() + "/douyin/webcast/reflow/" + roomId;
}

LiveRoomAnswer fetchLiveRoom(const LiveLink& link, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel)
{
    if (link.kind == LiveLink::Kind::WebRid)
        return enterRoom(link.id, platform, std::string(), cancel);

    LiveRoomAnswer result;
    const Answer info = get(liveReflowInfoUrl(link.id, platform), PlatformProfile::phoneAgent,
                            PlatformProfile::liveReferer, nullptr, platform, result.asked, cancel);
    result.transfer = info.transfer;
    result.reading = readLiveRoomReflow(info.body);
    const bool cancelled = cancel && cancel->load();
    if (cancelled || (info.transfer.ok() && result.reading.problem != LiveRoomProblem::Unreadable))
        return result;
    // No readable answer by id: the share page names the room's web id.
    const Answer page = get(liveReflowPageUrl(link.id, platform), PlatformProfile::phoneAgent,
                            PlatformProfile::liveReferer, nullptr, platform, result.asked, cancel);
    const std::string webRid = page.transfer.ok() ? webRidFromReflowPage(page.body) : std::string();
    if (webRid.empty())
        return result;
    return enterRoom(webRid, platform, std::move(result.asked), cancel);
}

} // namespace quorvane
