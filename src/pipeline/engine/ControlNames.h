#pragma once

namespace quorvane::controls {

// Form names of the main window's controls that the pipeline reads or writes through WindowPort (UTF-8
// source text; the window converts names as it needs). The buttons are the window's: it calls the
// pipeline's handlers itself.
inline constexpr const char* shareLink = "主页链接地址";
inline constexpr const char* playAddress = "编辑框4";
inline constexpr const char* musicAddress = "编辑框5";
inline constexpr const char* title = "编辑框6";
inline constexpr const char* saveFolder = "编辑框7";
inline constexpr const char* clipboardMirror = "剪贴板";
inline constexpr const char* watchClipboard = "选择框1";
inline constexpr const char* autoDownload = "选择框2";
inline constexpr const char* titleOnly = "单选框2";
inline constexpr const char* timeAndTitle = "单选框1";

} // namespace quorvane::controls
