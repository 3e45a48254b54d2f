#pragma once

#include "base/Text.h"
#include "pipeline/post/ParsedPost.h"

#include <atomic>

namespace quorvane {

struct PlatformSettings;
struct LinkIntake;

// The fixed user-facing reasons of a failed parse (UTF-8).
namespace reasons {
inline constexpr const char* notAShareText = "不是抖音的分享文本或链接";
inline constexpr const char* noPostBehindLink = "链接没有指向作品";
inline constexpr const char* postGone = "作品已删除或不可见";
inline constexpr const char* noPostInAnswer = "平台的回答里没有作品信息";
} // namespace reasons

// Parses a bare share link without any window: resolves the short link to the post's id, asks the detail
// sources in turn and reads the post out of the first answer that holds it. Blocking; runs on any thread.
// Requests give up early when `cancel` (when not null) becomes true. The link, like every text of the
// outcome, is UTF-8.
ParseOutcome parsePost(const std::string& link, const PlatformSettings& platform,
                       const std::atomic<bool>* cancel = nullptr);

// The same for a link already taken in (takeInLink): no second short-link request. A list's link gives
// reasons::noPostBehindLink.
ParseOutcome parseTakenPost(const std::string& link, const LinkIntake& intake,
                            const PlatformSettings& platform, const std::atomic<bool>* cancel = nullptr);

// The post of a detail already read (a list's whole item, or a detail source's answer) as the parse
// gives it: the video chosen for the quality setting (the original probed for 原画), the time prefix.
ParseOutcome parsedFromDetail(PostDetail detail, const std::string& link, const std::string& id,
                              const char* source, const PlatformSettings& platform,
                              const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
