#pragma once

#include "base/ByteSet.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

namespace quorvane {

struct PlatformSettings;

// A cover is a small picture; an answer beyond this is refused.
inline constexpr std::size_t maxCoverBytes = 8u << 20;

// A post's cover picture from the platform's image servers (blocking; run it off the window's thread).
// It goes out as the media downloads do: with the profile's desktop agent and the web host's Referer,
// the settings' trusted roots and time limit. The body of a 200 answer; nothing when the request fails,
// answers another status or an empty body, grows beyond maxCoverBytes, or is cancelled through `cancel`
// (when not null).
std::optional<ByteSet> fetchCover(const std::string& url, const PlatformSettings& platform,
                                  const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
