#include "net/StreamRequest.h"

#include "net/CurlApi.h"
#include "net/CurlOptions.h"
#include "net/CurlRuntime.h"

#include <memory>

namespace quorvane {

namespace {

struct CurlFree
{
    void operator()(CURL* handle) const { curlApi().easyCleanup(handle); }
};

struct StreamState
{
    const StreamRequest& request;
    const StreamReceiver& receiver;
    StreamEnd end;

    static std::size_t onData(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* state = static_cast<StreamState*>(self);
        const std::size_t bytes = size * count;
        if (state->stopping())
            return 0;
        bool more = false;
        try {
            more = !state->receiver.receive || state->receiver.receive(std::string_view(data, bytes));
        } catch (...) {
            more = false; // no exception may pass through libcurl
        }
        state->end.bytes += bytes;
        if (!more) {
            state->end.stoppedByUs = true;
            return 0;
        }
        return bytes;
    }

    static int onTick(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<StreamState*>(self)->stopping() ? 1 : 0;
    }

    bool stopping()
    {
        if (request.cancel && request.cancel->load(std::memory_order_relaxed))
            return true;
        bool more = true;
        try {
            more = !receiver.keepGoing || receiver.keepGoing();
        } catch (...) {
            more = false;
        }
        if (!more)
            end.stoppedByUs = true;
        return !more;
    }
};

} // namespace

StreamEnd streamAddress(const StreamRequest& request, const StreamReceiver& receiver)
{
    StreamState state{request, receiver, {}};
    StreamEnd& end = state.end;
    end.result.host = hostOfAddress(request.url);
    ensureCurlInitialised();
    const std::unique_ptr<CURL, CurlFree> handle(curlApi().easyInit());
    CURL* curl = handle.get();
    if (!curl) {
        end.result.error = TransferError::Other;
        end.result.message = "no transfer handle";
        return end;
    }
    curlApi().easySetopt(curl, CURLOPT_URL, request.url.c_str());
    applyCurlBasics(curl, CurlBasics{.purpose = TransferPurpose::Media,
                                     .url = request.url,
                                     .followRedirects = true,
                                     .connectTimeoutMs = request.connectTimeoutSeconds * 1000L,
                                     .caFile = request.caFile});
    curlApi().easySetopt(curl, CURLOPT_FAILONERROR, 1L);
    curlApi().easySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curlApi().easySetopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.stallSeconds));
    if (!request.userAgent.empty())
        curlApi().easySetopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (!request.referer.empty())
        curlApi().easySetopt(curl, CURLOPT_REFERER, request.referer.c_str());
    curlApi().easySetopt(curl, CURLOPT_WRITEFUNCTION, &StreamState::onData);
    curlApi().easySetopt(curl, CURLOPT_WRITEDATA, &state);
    curlApi().easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
    curlApi().easySetopt(curl, CURLOPT_XFERINFOFUNCTION, &StreamState::onTick);
    curlApi().easySetopt(curl, CURLOPT_XFERINFODATA, &state);

    const CURLcode code = curlApi().easyPerform(curl);
    long status = 0;
    curlApi().easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    end.result.httpStatus = static_cast<int>(status);
    if (code == CURLE_OK)
        return end;
    end.result.error = transferErrorFromCurl(code);
    end.result.message = curlApi().easyStrerror(code);
    // Our own stop, through either callback, reads as cancelled whatever curl calls it.
    if (end.stoppedByUs || code == CURLE_ABORTED_BY_CALLBACK ||
        (code == CURLE_WRITE_ERROR && request.cancel && request.cancel->load()))
        end.result.error = TransferError::Cancelled;
    return end;
}

} // namespace quorvane
