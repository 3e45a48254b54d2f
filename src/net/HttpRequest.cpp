#include "net/HttpRequest.h"

#include "base/AsciiCase.h"
#include "base/TextOps.h"
#include "net/CurlApi.h"
#include "net/CurlOptions.h"
#include "net/CurlRuntime.h"
#include "net/Encoding.h"
#include "net/HeaderText.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

constexpr const char* methodTexts[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int methodPost = 1;
constexpr int methodHead = 2;
constexpr int methodPut = 3;

// Default request headers: a probe searched anywhere in the block (ignoring case) and the line appended
// when it is missing.
struct DefaultHeader
{
    TextView probe;
    TextView line; // the Referer line gets the URL appended
    bool postOnly;
};
constexpr DefaultHeader DefaultHeaderTable[] = {
    {"Accept:", "\r\nAccept: */*", false},
    {"Referer:", "\r\nReferer: ", false},
    {"Accept-Language:", "\r\nAccept-Language: zh-cn", false},
    {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
    {"Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded", true},
};

// Time limits: without an explicit value the same 15 s as always; -1 keeps generous library defaults.
constexpr long defaultTimeoutMs = 15000;
constexpr long libraryConnectTimeoutMs = 60000;
constexpr long libraryStallTimeoutMs = 30000;

struct CurlFree
{
    void operator()(CURL* handle) const { curlApi().easyCleanup(handle); }
};
struct SlistFree
{
    void operator()(curl_slist* list) const { curlApi().slistFreeAll(list); }
};
using SlistPtr = std::unique_ptr<curl_slist, SlistFree>;

bool isTokenCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// A header travels as one line "Name: value": the name must be a non-empty token and the value must not
// carry line breaks or NUL, which would let it end the line and start a header of its own.
bool isSendableHeader(TextView name, TextView value)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), isTokenCharacter) &&
           value.find_first_of(std::string_view("\r\n\0", 3)) == TextView::npos;
}

// The request headers in the order they were set; setting a name again (ignoring case) replaces it.
class HeaderSet
{
public:
    void set(Text name, Text value)
    {
        if (!isSendableHeader(name, value))
            return;
        for (auto& entry : m_entries) {
            if (equalsIgnoringAsciiCase(entry.first, name)) {
                entry.second = std::move(value);
                return;
            }
        }
        m_entries.emplace_back(std::move(name), std::move(value));
    }

    bool has(TextView name) const
    {
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [&](const auto& entry) { return equalsIgnoringAsciiCase(entry.first, name); });
    }

    // The list for libcurl. "Name;" is curl's way of sending a header with an empty value; a bare "Name:"
    // switches off a header curl would otherwise add by itself.
    SlistPtr toList(bool sendsBody) const
    {
        SlistPtr list;
        auto append = [&](const std::string& line) {
            if (curl_slist* grown = curlApi().slistAppend(list.get(), line.c_str())) {
                (void)list.release();
                list.reset(grown);
            }
        };
        for (const auto& [name, value] : m_entries)
            append(value.empty() ? name + ";" : name + ": " + value);
        if (!has("Accept"))
            append("Accept:");
        if (sendsBody && !has("Content-Type"))
            append("Content-Type:");
        if (!has("Expect"))
            append("Expect:");
        return list;
    }

private:
    std::vector<std::pair<Text, Text>> m_entries;
};

// The final response's header lines and body. A new status line (after a redirect, a 100 Continue or a
// proxy's CONNECT answer) starts the header collection again. Taking more than `limit` bytes in all, or
// running out of memory, ends the transfer as failed (a callback returning less than it was given); no
// exception may pass through libcurl.
struct ResponseCapture
{
    std::size_t limit;
    std::string body;
    std::vector<Text> headerLines;
    std::size_t bytesSeen = 0; // headers and body, for the limit and the stall watch

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        auto* capture = static_cast<ResponseCapture*>(self);
        return capture->take(size * count, [&] { capture->body.append(data, size * count); });
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        auto* capture = static_cast<ResponseCapture*>(self);
        return capture->take(size * count, [&] {
            auto& lines = capture->headerLines;
            std::string_view line(data, size * count);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            if (line.starts_with("HTTP/"))
                lines.clear();
            else if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !lines.empty())
                lines.back().append(line); // a folded continuation of the previous line
            else if (!line.empty())
                lines.emplace_back(line);
        });
    }

    template <typename Keep> size_t take(size_t bytes, Keep keep)
    {
        if (bytes > limit - std::min(bytesSeen, limit))
            return 0;
        try {
            keep();
        } catch (...) {
            return 0;
        }
        bytesSeen += bytes;
        return bytes;
    }
};

// Ends a transfer in which no byte has moved either way for the time limit. libcurl asks at least about
// once a second, so the limit is kept to within a second. The clock starts once the connection is up;
// connecting has its own limit.
struct StallWatch
{
    CURL* curl;
    const ResponseCapture* response;
    std::chrono::milliseconds limit;
    const std::atomic<bool>* cancel;
    bool stalled = false;
    std::chrono::steady_clock::time_point lastMove = std::chrono::steady_clock::now();
    curl_off_t lastTotal = -1;

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded)
    {
        auto* watch = static_cast<StallWatch*>(self);
        if (watch->cancel && watch->cancel->load(std::memory_order_relaxed))
            return 1;
        const auto now = std::chrono::steady_clock::now();
        curl_off_t requestSent = 0;
        curlApi().easyGetinfo(watch->curl, CURLINFO_PRETRANSFER_TIME_T, &requestSent);
        const curl_off_t total = static_cast<curl_off_t>(watch->response->bytesSeen) + uploaded;
        if (requestSent == 0 || total != watch->lastTotal) {
            watch->lastTotal = total;
            watch->lastMove = now;
            return 0;
        }
        watch->stalled = now - watch->lastMove >= watch->limit;
        return watch->stalled ? 1 : 0;
    }
};

long timeoutMilliseconds(const std::optional<int>& timeoutSeconds)
{
    const int seconds = timeoutSeconds.value_or(0);
    if (seconds < 1)
        return defaultTimeoutMs;
    return static_cast<long>(std::min<long long>(seconds * 1000LL, 0x7FFFFFFFLL));
}

// The request header block: the caller's lines, the default lines (when asked for), normalised (when asked
// for).
Text composeHeaderBlock(const Text& url, int method, const Text& headers, bool addDefaultHeaders,
                        bool normaliseHeaders)
{
    Text block = headers;
    if (addDefaultHeaders) {
        for (const DefaultHeader& row : DefaultHeaderTable) {
            if (row.postOnly && method != methodPost)
                continue;
            if (containsText(block, row.probe, true))
                continue;
            block += row.line;
            if (row.probe == "Referer:")
                block += url;
        }
    }
    return normaliseHeaders ? NormaliseHeaderBlock(block) : block;
}

} // namespace

const char* HttpMethodText(int method)
{
    return methodTexts[(method < 0 || method > 7) ? 0 : method];
}

ByteSet HttpRequest(const Text& url, const HttpRequestOptions& options)
{
    const bool mergeCookies = options.mergeCookies.value_or(true);
    const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
    const bool normaliseHeaders = options.normaliseHeaders.value_or(true);
    const int credentialsTarget = options.credentialsTarget.value_or(1);
    int method = options.method.value_or(0);
    if (method < 0 || method > 7)
        method = 0;

    // The handle: the caller's session (one request at a time through it) or one of our own.
    std::unique_lock<std::mutex> sessionLock;
    std::unique_ptr<CURL, CurlFree> ownHandle;
    CURL* curl = nullptr;
    if (HttpSession* session = options.existingRequest) {
        sessionLock = std::unique_lock(session->m_mutex);
        curl = static_cast<CURL*>(session->m_handle);
        if (curl)
            curlApi().easyReset(curl); // clean options; open connections and caches stay
    } else {
        ensureCurlInitialised();
        ownHandle.reset(curlApi().easyInit());
        curl = ownHandle.get();
    }
    TransferResult scratchResult;
    TransferResult& outcome = options.result ? *options.result : scratchResult;
    outcome = TransferResult{};
    outcome.host = hostOfAddress(url);
    if (!curl) {
        outcome.error = TransferError::Other;
        outcome.message = "no transfer handle";
        return {};
    }

    Text scratchCookies, scratchHeaders;
    int scratchStatus = 0;
    Text& returnedCookies = options.returnedCookies ? *options.returnedCookies : scratchCookies;
    Text& returnedHeaders = options.returnedHeaders ? *options.returnedHeaders : scratchHeaders;
    int& status = options.status ? *options.status : scratchStatus;

    // Time limits: t for resolving plus connecting (TLS handshake included), and t without a single byte
    // moving while sending or receiving. A slow transfer that keeps moving is not cut off.
    long connectLimitMs = libraryConnectTimeoutMs;
    long stallLimitMs = libraryStallTimeoutMs;
    if (options.timeoutSeconds.value_or(0) != -1)
        connectLimitMs = stallLimitMs = timeoutMilliseconds(options.timeoutSeconds);
    curlApi().easySetopt(curl, CURLOPT_URL, url.c_str());
    applyCurlBasics(curl, CurlBasics{.purpose = TransferPurpose::Request,
                                     .url = url,
                                     .followRedirects = !options.noRedirect.value_or(false),
                                     .connectTimeoutMs = connectLimitMs,
                                     .caFile = options.caFile});
    if (options.insecureSkipVerify) {
        curlApi().easySetopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curlApi().easySetopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    // Proxy: only the one given; proxies named in the environment are not used.
    const Text proxy = options.proxy.value_or(Text());
    curlApi().easySetopt(curl, CURLOPT_PROXY, proxy.c_str());
    curlApi().easySetopt(curl, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
    SlistPtr proxyHeaders;
    const Text proxyUser = options.proxyUser.value_or(Text());
    const Text proxyPassword = options.proxyPassword.value_or(Text());
    if (!proxy.empty() && !proxyUser.empty()) {
        if (credentialsTarget == 1) {
            // Goes to the proxy only, never through the tunnel to the server.
            const Text credentials = Base64Encode(toByteSet(proxyUser + ":" + proxyPassword));
            proxyHeaders.reset(
                curlApi().slistAppend(nullptr, ("Proxy-Authorization: Basic " + credentials).c_str()));
            curlApi().easySetopt(curl, CURLOPT_PROXYHEADER, proxyHeaders.get());
        } else if (credentialsTarget == 0) {
            curlApi().easySetopt(curl, CURLOPT_USERNAME, proxyUser.c_str());
            curlApi().easySetopt(curl, CURLOPT_PASSWORD, proxyPassword.c_str());
            curlApi().easySetopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        }
    }

    // Request headers: cookies first, then the composed block line by line.
    HeaderSet headers;
    if (Text* cookies = options.cookies) {
        if (!cookies->empty() && containsText(*cookies, "Cookie:", true))
            *cookies = replaceText(*cookies, "Cookie:", "", true);
        headers.set("Cookie", *cookies);
    }
    const Text block = composeHeaderBlock(url, method, options.headers.value_or(Text()), addDefaultHeaders,
                                          normaliseHeaders);
    if (!containsText(block, "\r\n")) {
        headers.set(HeaderName(block), HeaderValue(block));
    } else {
        for (const Text& line : splitText(block, "\r\n")) {
            if (line.empty())
                continue;
            Text name = HeaderName(line);
            Text value = HeaderValue(line);
            if (name == "Connection" && value == "keep-alive")
                continue;
            headers.set(std::move(name), std::move(value));
        }
    }

    // Method and body. A string body goes out as its bytes, unconverted. The body never points nowhere:
    // given a null body, libcurl would read one from standard input.
    const bool useBytes = options.bodyBytes && !options.bodyBytes->empty();
    const std::string_view body =
        useBytes ? std::string_view(reinterpret_cast<const char*>(options.bodyBytes->data()),
                                    options.bodyBytes->size())
                 : (options.body ? std::string_view(*options.body) : std::string_view(""));
    bool sendsBody = false;
    if (method == methodHead) {
        curlApi().easySetopt(curl, CURLOPT_NOBODY, 1L);
    } else if (method == methodPost) {
        curlApi().easySetopt(curl, CURLOPT_POST, 1L);
        sendsBody = true;
    } else {
        if (method != 0)
            curlApi().easySetopt(curl, CURLOPT_CUSTOMREQUEST, methodTexts[method]);
        sendsBody = !body.empty() || method == methodPut;
        if (method == 0 && sendsBody)
            curlApi().easySetopt(curl, CURLOPT_CUSTOMREQUEST, "GET");
    }
    if (sendsBody) {
        curlApi().easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curlApi().easySetopt(curl, CURLOPT_POSTFIELDS, body.data());
    }
    const SlistPtr headerList = headers.toList(sendsBody);
    curlApi().easySetopt(curl, CURLOPT_HTTPHEADER, headerList.get());

    ResponseCapture response{options.maxResponseBytes};
    curlApi().easySetopt(curl, CURLOPT_WRITEFUNCTION, &ResponseCapture::onBody);
    curlApi().easySetopt(curl, CURLOPT_WRITEDATA, &response);
    curlApi().easySetopt(curl, CURLOPT_HEADERFUNCTION, &ResponseCapture::onHeader);
    curlApi().easySetopt(curl, CURLOPT_HEADERDATA, &response);
    StallWatch stallWatch{curl, &response, std::chrono::milliseconds(stallLimitMs), options.cancel};
    curlApi().easySetopt(curl, CURLOPT_XFERINFOFUNCTION, &StallWatch::onProgress);
    curlApi().easySetopt(curl, CURLOPT_XFERINFODATA, &stallWatch);
    curlApi().easySetopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = curlApi().easyPerform(curl);

    // Any failure, a body cut off half-way included, reads as "nothing arrived".
    ByteSet bodyBytes;
    if (result == CURLE_OK) {
        long code = 0;
        curlApi().easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        status = static_cast<int>(code);
        returnedHeaders = joinText(response.headerLines, "\r\n");
        bodyBytes = toByteSet(response.body);
        outcome.httpStatus = status;
    } else {
        status = 0;
        returnedHeaders.clear();
        outcome.error = transferErrorFromCurl(result);
        outcome.message = curlApi().easyStrerror(result);
        // The progress callback ends a transfer both for a stall and for a cancel; tell them apart.
        if (result == CURLE_ABORTED_BY_CALLBACK && stallWatch.stalled)
            outcome.error = TransferError::Timeout;
        else if (result == CURLE_WRITE_ERROR)
            outcome.error = TransferError::TooLarge; // our capture refused more bytes
    }
    // The session must not keep pointers into this call's buffers; its connections stay open.
    if (options.existingRequest)
        curlApi().easyReset(curl);

    returnedCookies = CollectSetCookies(returnedHeaders);
    if (mergeCookies && options.cookies)
        returnedCookies = MergeCookies(*options.cookies, returnedCookies);
    return bodyBytes;
}

} // namespace quorvane
