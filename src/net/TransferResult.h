#pragma once

#include <string>

namespace quorvane {

// Why a transfer (a request or a download) did not give what was asked for.
enum class TransferError
{
    None,           // it worked
    InvalidAddress, // not an http(s) address, or one that cannot be sent
    NameResolution, // the host name did not resolve
    Connection,     // no connection could be made (refused, unreachable)
    Tls,            // TLS handshake or certificate check failed
    Timeout,        // nothing moved for too long (connecting or during the transfer)
    HttpStatus,     // the server answered, with a status that is not the one needed (see httpStatus)
    TooLarge,       // the answer was larger than allowed
    Interrupted,    // the connection dropped before the whole answer arrived
    WriteError,     // our side could not write the file (permissions, a missing folder, I/O)
    DiskFull,       // no space left (or a file-size limit reached)
    Cancelled,      // the caller cancelled it
    Other           // anything else
};

// The outcome of one transfer, as a value: what went wrong, the HTTP status when there was an answer, the
// host concerned and a short technical message. A default-constructed result is a success.
struct TransferResult
{
    TransferError error = TransferError::None;
    int httpStatus = 0;            // the final answer's status; 0 when no answer arrived
    std::string host;              // the host the transfer went to (UTF-8), for messages
    std::string message;           // short technical detail, such as the library's error text (UTF-8)
    bool alreadyPresent = false;   // a download that found the complete file at its target and left it
    bool addressesExpired = false; // a failed download whose every address answered 403 or 410

    bool ok() const { return error == TransferError::None; }
};

// A failure on our side: `what` (an operation such as "write") failed with errno `error`; a full disk
// (or quota, or file-size limit) is DiskFull, anything else WriteError.
TransferResult localFailure(int error, const char* what);

// Classifies a libcurl result code (CURLcode as int).
TransferError transferErrorFromCurl(int curlCode);

// The host part of an http(s) address ("" when there is none).
std::string hostOfAddress(const std::string& url);

// One line a user can act on, in Chinese (UTF-8): "网络连接失败：v.douyin.com", "服务器返回 403", ...
// Empty for a success.
std::string describeTransfer(const TransferResult& result);

// True for failures worth another try after a pause: dropped connections, time-outs, failed
// connections and 5xx answers (and 408/429).
bool isTransient(const TransferResult& result);

} // namespace quorvane
