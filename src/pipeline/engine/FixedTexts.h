#pragma once

namespace quorvane::texts {

// The pipeline's fixed texts, in UTF-8 as the window and the download list take them.
inline constexpr const char* balloonTitle = "短视频解析";
inline constexpr const char* parsingFromButton = "识别到链接啦！\r\n正在解析中……";
inline constexpr const char* parsingFromClipboard = "已检测到链接\r\n正在解析中……";
inline constexpr const char* parseDone = "解析完成";
inline constexpr const char* parseFailed = "解析失败！";   // the message box's first line
inline constexpr const char* parseFailedLine = "解析失败"; // a one-line report's start
inline constexpr const char* messageCaption = "信息：";
inline constexpr const char* musicDownloading = "音乐下载中";
inline constexpr const char* downloadDone = "下载完成";
inline constexpr const char* downloadFailed = "下载失败";
// A download whose file was already there, complete.
inline constexpr const char* alreadyDownloaded = "已下载过";

// Balloon settings shared by every balloon of the pipeline.
inline constexpr int balloonIcon = 1; // information
inline constexpr int balloonSeconds = 5;

} // namespace quorvane::texts
