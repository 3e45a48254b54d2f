#pragma once

#include "net/TransferResult.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

// One GET whose body is an endless stream (a live room's HTTP-FLV), handed on piece by piece as it
// arrives and never held: the answer may last for hours.
struct StreamRequest
{
    std::string url;                // http or https, redirects included (UTF-8)
    std::string userAgent;          // sent when not empty
    std::string referer;            // sent when not empty
    std::string caFile;             // PEM bundle of trusted roots instead of the system's; empty: system
    int connectTimeoutSeconds = 15; // resolving plus connecting
    int stallSeconds = 30;          // no byte for this long: the stream has stalled (Timeout)
    const std::atomic<bool>* cancel = nullptr;
};

// What the stream's bytes go to. Both are called on the requesting thread.
struct StreamReceiver
{
    // Takes the next piece of the body; false ends the transfer (it then counts as stopped, not failed).
    std::function<bool(std::string_view)> receive;
    // Asked at least about once a second, also while nothing arrives; false ends the transfer the same way.
    std::function<bool()> keepGoing;
};

// How a stream ended.
struct StreamEnd
{
    TransferResult result;    // None: the server ended the body; Cancelled: the flag or the receiver
    bool stoppedByUs = false; // the receiver (or keepGoing) asked for the end
    std::uint64_t bytes = 0;  // body bytes handed on
};

// Streams `request.url` into `receiver`. An answer other than 2xx fails with HttpStatus before any byte is
// handed on; a connection that breaks is Interrupted, one that stalls Timeout.
StreamEnd streamAddress(const StreamRequest& request, const StreamReceiver& receiver);

} // namespace quorvane
