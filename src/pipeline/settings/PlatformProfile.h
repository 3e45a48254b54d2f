#pragma once

namespace quorvane {

// How the pipeline presents itself to the platform and where the platform lives: the agents, Referers,
// Origins and hosts that every source and every download reads from here. The hosts are the real ones;
// the settings (PlatformSettings) may point each at another server.
struct PlatformProfile
{
    // A desktop browser: requests to the web host, short links, downloads.
    static constexpr const char* desktopAgent =
        "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 "
        "Safari/537.36";
    // A phone's browser: the share endpoints answer only such a one.
    static constexpr const char* phoneAgent =
        "Mozilla/5.0 (iPhone; CPU iPhone OS 16_0 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) "
        "Version/16.0 Mobile/15E148 Safari/604.1";

    // The web host's pages as Referer: the media servers refuse downloads without it, and the guest
    // source sends it with its detail request.
    static constexpr const char* webReferer = "https://www.douyin.com/";

    // The detail request's host.
    static constexpr const char* webHost = "www.douyin.com";
    // The host of the share pages and their endpoints.
    static constexpr const char* shareHost = "www.iesdouyin.com";
    // The host of the phone pages: a creator's share page and the list request it makes (the reflow
    // door of lists).
    static constexpr const char* mobileHost = "m.douyin.com";
    // The host that registers guest sessions.
    static constexpr const char* guestHost = "ttwid.bytedance.com";
    // The host of the web-id service the reflow source asks when a share page carries no web id.
    static constexpr const char* webIdHost = "mcs.zijieapi.com";
    // The live rooms' web host (the room's enter request) and the host of their share pages and the room
    // by its id (the reflow page and reflow info).
    static constexpr const char* liveHost = "live.douyin.com";
    static constexpr const char* webcastHost = "webcast.amemv.com";
    // The live web host's pages as Referer of its requests and of the stream.
    static constexpr const char* liveReferer = "https://live.douyin.com/";

    // The origin the web detail API answers without cookie or signature (the open source, since 2026-09).
    static constexpr const char* openOrigin = "https://open.douyin.com";
    static constexpr const char* openReferer = "https://open.douyin.com/";
};

} // namespace quorvane
