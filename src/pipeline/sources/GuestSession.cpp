#include "pipeline/sources/GuestSession.h"

#include "base/AsciiCase.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "base/PrivateFile.h"
#include "base/TextOps.h"
#include "base/platform/Paths.h"
#include "net/Encoding.h"
#include "net/HeaderText.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace quorvane {

namespace {

constexpr const char* stateSection = "guest";
constexpr std::size_t maxCookieBytes = 4096;

std::int64_t now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::optional<std::int64_t> wholeNumber(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Only what may stand in a Cookie header unquoted: the value goes back out in one.
bool plainCookieValue(std::string_view value)
{
    return !value.empty() && value.size() <= maxCookieBytes &&
           std::all_of(value.begin(), value.end(), [](char c) {
               const auto u = static_cast<unsigned char>(c);
               return u > 0x20 && u < 0x7F && c != '"' && c != ',' && c != ';' && c != '\\';
           });
}

// The cookie of one Set-Cookie value, when it is ttwid.
std::optional<GuestSession::Cookie> ttwidOf(std::string_view setCookie, std::int64_t now)
{
    std::optional<std::int64_t> maxAge;
    std::optional<std::int64_t> expires;
    std::optional<std::string> value;
    bool first = true;
    while (!setCookie.empty() || first) {
        const auto semicolon = setCookie.find(';');
        const std::string_view part = trimAsciiWhitespace(setCookie.substr(0, semicolon));
        setCookie =
            semicolon == std::string_view::npos ? std::string_view() : setCookie.substr(semicolon + 1);
        const auto equals = part.find('=');
        const std::string_view name = trimAsciiWhitespace(part.substr(0, equals));
        const std::string_view content = equals == std::string_view::npos
                                             ? std::string_view()
                                             : trimAsciiWhitespace(part.substr(equals + 1));
        if (first) {
            if (name != "ttwid" || equals == std::string_view::npos)
                return std::nullopt;
            value = std::string(content);
            first = false;
        } else if (equalsIgnoringAsciiCase(name, "max-age")) {
            maxAge = wholeNumber(content);
        } else if (equalsIgnoringAsciiCase(name, "expires")) {
            if (const auto when = parseHttpDate(std::string(content)))
                expires = *when;
        }
    }
    if (!value || !plainCookieValue(*value))
        return std::nullopt;
    std::int64_t until = now + GuestSession::defaultLifetimeSeconds;
    if (maxAge)
        until = *maxAge <= 0 ? now : now + std::min<std::int64_t>(*maxAge, std::int64_t{1} << 40);
    else if (expires)
        until = *expires;
    if (until <= now)
        return std::nullopt;
    return GuestSession::Cookie{*value, until};
}

Text headerBlock()
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::desktopAgent);
    headers.Add("Referer", PlatformProfile::webReferer);
    return headers.ToHeaderText();
}

// The security gateway in front of the web detail API refuses guest requests on many connections with
// 403 and this text; the cookie has nothing to do with it.
constexpr std::string_view gatewayRefusal = "Blocked by ArgusSecurityPlugin";

// One web detail request with the guest cookie. `refused` is set when the platform answered, but with
// neither the item nor a word about the post: it did not take the cookie. No answer at all (a time-out, a
// refused connection), or the gateway's refusal (`gateway`), is no verdict on the cookie.
DetailAnswer askWithCookie(const Text& url, const GuestSession::Cookie& cookie,
                           const PlatformSettings& platform, bool& refused, bool& gateway,
                           SourceReport& report, const std::atomic<bool>* cancel)
{
    Text cookies = "ttwid=" + cookie.value;
    int status = 0;
    TransferResult transfer;
    const ByteSet body = HttpRequest(url, {.cookies = &cookies,
                                           .headers = headerBlock(),
                                           .status = &status,
                                           .timeoutSeconds = platform.requestTimeoutSeconds,
                                           .mergeCookies = false,
                                           .caFile = platform.caFile,
                                           .result = &transfer,
                                           .cancel = cancel});
    judgeStatus(transfer);
    noteRequest(&report, "GET", url, status, body.size());
    const std::string answer = toByteString(body);
    refused = false;
    gateway = status == 403 && answer.find(gatewayRefusal) != std::string::npos;
    if (gateway)
        return {std::nullopt, {}, transfer, {}};
    DetailReading reading = readWebDetail(answer);
    if (reading.post)
        return {std::move(reading.post), {}};
    if (!reading.unavailableReason.empty())
        return {std::nullopt, std::move(reading.unavailableReason)};
    refused = status != 0;
    return {std::nullopt, {}, transfer, {}};
}

} // namespace

GuestSession::GuestSession(const PlatformSettings& platform, const std::atomic<bool>* cancel)
    : m_platform(platform), m_cancel(cancel),
      m_stateFile(platform.guestStateFile.empty() ? defaultStateFile() : platform.guestStateFile)
{}

std::filesystem::path GuestSession::defaultStateFile()
{
    return ConfigPaths::stateHome() / "quibexlar" / "guest.ini";
}

const char* GuestSession::registerBody()
{
    return R"({"region":"cn","aid":1768,"needFid":false,"service":"www.ixigua.com",)"
           R"("migrate_info":{"ticket":"","source":"node"},"cbUrlProtocol":"https","union":true})";
}

std::string GuestSession::registerUrl(const PlatformSettings& platform)
{
    return "https://" + platform.effectiveGuestHost() + "/ttwid/union/register/";
}

std::optional<GuestSession::Cookie> GuestSession::stored(std::int64_t at) const
{
    const IniFile ini = IniFile::load(m_stateFile);
    const Text value = ini.value(stateSection, "ttwid");
    const std::optional<std::int64_t> expires = wholeNumber(ini.value(stateSection, "expires"));
    if (!plainCookieValue(value) || !expires || *expires <= at)
        return std::nullopt;
    return Cookie{value, *expires};
}

std::optional<GuestSession::Cookie> GuestSession::registerNew(std::string& why, SourceReport* report)
{
    Text headers;
    int status = 0;
    const ByteSet body =
        HttpRequest(registerUrl(m_platform), {.method = 1,
                                              .body = Text(registerBody()),
                                              .headers = "Content-Type: application/json\r\nUser-Agent: " +
                                                         std::string(PlatformProfile::desktopAgent),
                                              .returnedHeaders = &headers,
                                              .status = &status,
                                              .timeoutSeconds = m_platform.requestTimeoutSeconds,
                                              .caFile = m_platform.caFile,
                                              .cancel = m_cancel});
    noteRequest(report, "POST", registerUrl(m_platform), status, body.size());
    if (status == 0) {
        why = "注册访客会话失败：" + m_platform.effectiveGuestHost() + " 没有回答";
        return std::nullopt;
    }
    std::optional<Cookie> cookie;
    if (status >= 200 && status < 300)
        cookie = cookieFromHeaders(headers, now());
    if (!cookie) {
        why = "注册访客会话被拒绝（状态 " + std::to_string(status) + "，没有 ttwid）";
        return std::nullopt;
    }
    if (!store(*cookie))
        why = "无法把访客会话保存到 " + utf8FromPath(m_stateFile);
    return cookie;
}

std::optional<GuestSession::Cookie> GuestSession::cookie(bool& registered, std::string& why,
                                                         SourceReport* report)
{
    registered = false;
    if (std::optional<Cookie> kept = stored(now()))
        return kept;
    registered = true;
    return registerNew(why, report);
}

void GuestSession::forget()
{
    std::error_code ignored;
    std::filesystem::remove(m_stateFile, ignored);
}

std::optional<GuestSession::Cookie> GuestSession::cookieFromHeaders(std::string_view headers, std::int64_t at)
{
    std::optional<Cookie> found;
    while (!headers.empty()) {
        const auto end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos ||
            !equalsIgnoringAsciiCase(trimAsciiWhitespace(line.substr(0, colon)), "set-cookie"))
            continue;
        // The last ttwid of the answer wins, as in a browser.
        if (std::optional<Cookie> cookie = ttwidOf(trimAsciiWhitespace(line.substr(colon + 1)), at))
            found = std::move(cookie);
    }
    return found;
}

bool GuestSession::store(const Cookie& cookie) const
{
    // The cookie stands for the user's session: only the user may read it, also while it is written.
    // Written whole, so nothing of a damaged file lingers.
    IniFile ini;
    return ini.setValue(stateSection, "ttwid", cookie.value) &&
           ini.setValue(stateSection, "expires", std::to_string(cookie.expires)) &&
           writePrivateFile(m_stateFile, ini.serialize());
}

std::string guestDetailUrl(const Text& videoId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() +
           "/aweme/v1/web/aweme/detail/?device_platform=webapp&aid=6383&channel=channel_pc_web&aweme_id=" +
           videoId;
}

DetailAnswer fetchWithGuestSession(const VideoReference& reference, const PlatformSettings& platform,
                                   const std::atomic<bool>* cancel)
{
    if (!isPlainNumberId(reference.id))
        return {};
    GuestSession session(platform, cancel);
    SourceReport report;
    bool registered = false;
    std::string why;
    std::optional<GuestSession::Cookie> cookie = session.cookie(registered, why, &report);
    if (!cookie) {
        report.outcome = why;
        return {.report = std::move(report)};
    }
    const Text url = guestDetailUrl(reference.id, platform);
    bool refused = false;
    bool gateway = false;
    DetailAnswer answer = askWithCookie(url, *cookie, platform, refused, gateway, report, cancel);
    if (refused && !registered && answer.transfer.error != TransferError::Cancelled) {
        session.forget();
        cookie = session.registerNew(why, &report);
        if (cookie)
            answer = askWithCookie(url, *cookie, platform, refused, gateway, report, cancel);
        else
            report.outcome = "保存的访客会话被拒绝，且" + why;
    }
    // The gateway blocks the connection, not the session: registering again would not help, the next
    // source is asked.
    if (gateway)
        report.outcome = "安全网关拦截了访客请求（403 Blocked by ArgusSecurityPlugin），不重新注册";
    if (refused && report.outcome.empty())
        report.outcome = report.bytes == 0 ? "访客会话得到空回答" : "回答里没有作品";
    // The answer's own report holds only the last request; this one holds them all.
    answer.report = std::move(report);
    return answer;
}

} // namespace quorvane
