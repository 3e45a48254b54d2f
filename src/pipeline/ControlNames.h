#pragma once

namespace quorvane::controls {

// Form names of the main window's controls, as the window data and the pipeline share them (UTF-8 source
// text; the window converts names as it needs).
inline constexpr const char* shareLink = "主页链接地址";
inline constexpr const char* playAddress = "编辑框4";
inline constexpr const char* musicAddress = "编辑框5";
inline constexpr const char* title = "编辑框6";
inline constexpr const char* saveFolder = "编辑框7";
inline constexpr const char* clipboardMirror = "剪贴板";
inline constexpr const char* parseButton = "超级按钮2";
inline constexpr const char* musicButton = "超级按钮3";
inline constexpr const char* watchClipboard = "选择框1";
inline constexpr const char* autoDownload = "选择框2";
inline constexpr const char* startAtBoot = "选择框3";
inline constexpr const char* titleOnly = "单选框2";
inline constexpr const char* timeAndTitle = "单选框1";

} // namespace quorvane::controls
