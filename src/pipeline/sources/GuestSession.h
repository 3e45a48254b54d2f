#pragma once

#include "base/Text.h"
#include "pipeline/sources/VideoDetail.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// A guest session of the platform: the `ttwid` cookie one POST to "https://<guest
// host>/ttwid/union/register/" hands out. With it the web detail request answers without a signature. The
// cookie is kept in the user's state folder (only the user may read the file) with its expiry, reused until
// it expires or the platform stops accepting it, and registered again then.
class GuestSession
{
public:
    struct Cookie
    {
        std::string value;        // the ttwid value
        std::int64_t expires = 0; // seconds since the epoch
    };

    // The cookie lives this long when the answer names no expiry.
    static constexpr std::int64_t defaultLifetimeSeconds = 24 * 60 * 60;

    // Uses platform.guestStateFile, or defaultStateFile() when that is empty. Its requests give up early
    // when `cancel` (when not null) becomes true.
    explicit GuestSession(const PlatformSettings& platform, const std::atomic<bool>* cancel = nullptr);

    // $XDG_STATE_HOME/quibexlar/guest.ini ($HOME/.local/state when XDG_STATE_HOME is not absolute).
    static std::filesystem::path defaultStateFile();
    // The JSON body of the register request.
    static const char* registerBody();
    // "https://<guest host>/ttwid/union/register/".
    static std::string registerUrl(const PlatformSettings& platform);

    // The stored cookie when it is still valid at `now`; std::nullopt when there is none, the file is
    // unreadable or malformed, or it has expired.
    std::optional<Cookie> stored(std::int64_t now) const;
    // Registers a new session and stores it. On failure, std::nullopt and `why` says what went wrong.
    // `report`, when given, notes the request.
    std::optional<Cookie> registerNew(std::string& why, SourceReport* report = nullptr);
    // The stored cookie, or a newly registered one (`registered` tells which).
    std::optional<Cookie> cookie(bool& registered, std::string& why, SourceReport* report = nullptr);
    // Drops the stored cookie (the platform refused it).
    void forget();

    const std::filesystem::path& stateFile() const { return m_stateFile; }

    // The ttwid of a response header block's Set-Cookie lines (any letter case), with its expiry from
    // Max-Age (preferred) or Expires, else `now` + defaultLifetimeSeconds. std::nullopt when no line sets
    // ttwid, its value is empty or not a plain cookie value, or it is already expired.
    static std::optional<Cookie> cookieFromHeaders(std::string_view headers, std::int64_t now);

private:
    bool store(const Cookie& cookie) const;

    const PlatformSettings& m_platform;
    const std::atomic<bool>* m_cancel;
    std::filesystem::path m_stateFile;
};

// The query of the web detail request made with a guest session.
std::string guestDetailUrl(const Text& videoId, const PlatformSettings& platform);

// The guest-session source: the web detail request with the guest query, the ttwid cookie and the
// platform's Referer. A stored cookie whose answer holds no item is taken as refused: a new one is
// registered and the request made once more.
DetailAnswer fetchWithGuestSession(const VideoReference& reference, const PlatformSettings& platform,
                                   const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
