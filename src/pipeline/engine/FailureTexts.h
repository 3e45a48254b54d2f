#pragma once

#include "net/TransferResult.h"

#include <string>

namespace quorvane {

// The one place each failure message a user reads is composed (UTF-8), for the window, the download list
// and the command line alike. A part that is empty is left out with its punctuation.

// "解析失败：<reason>": the line of a list, a balloon or a terminal.
std::string parseFailedLine(const std::string& reason);
// "解析失败！" with the reason on a second line: the window's message box.
std::string parseFailedBox(const std::string& reason);
// "下载失败：<reason>（<file>）": the file named tells which of a post's files was not saved.
std::string downloadFailedLine(const std::string& reason, const std::string& file = {});
// The same with the transfer's reason (describeTransfer).
std::string downloadFailedLine(const TransferResult& transfer, const std::string& file = {});

} // namespace quorvane
