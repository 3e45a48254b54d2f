#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// What a failed file call means to the user. Disk full covers the quota and the file-size limit too:
// either way the user must make room, and retrying elsewhere on the network will not help.

inline constexpr std::string_view diskFullReason = "磁盘空间不足";

bool isDiskFull(int error);

// "<what>: <the system's text for error>", the detail kept with a failed file call.
std::string describeErrno(std::string_view what, int error);

// "无法写入文件：<detail>", or "无法写入文件" without a detail.
std::string writeFailureReason(std::string_view detail);

// The reason a user reads for a failed write: diskFullReason when the disk is full, otherwise
// writeFailureReason(describeErrno(what, error)).
std::string reasonForWriteError(std::string_view what, int error);

} // namespace quorvane
