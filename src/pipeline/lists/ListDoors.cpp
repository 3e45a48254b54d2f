#include "pipeline/lists/ListDoor.h"

#include "net/Encoding.h"
#include "net/KeyValueList.h"
#include "pipeline/lists/CookieJar.h"
#include "pipeline/lists/ReflowListDoor.h"
#include "pipeline/lists/SecsdkSignature.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"

namespace quorvane {

namespace {} // namespace

DoorPage askForListPage(const std::string& url, const std::string& headers, const PlatformSettings& platform,
                        const std::atomic<bool>* cancel)
{
    DoorPage out;
    const ByteSet body = getForSource(url, headers, platform, out.transfer, &out.report, cancel);
    if (!out.transfer.ok()) {
        out.passOver = describeTransfer(out.transfer);
        return out;
    }
    ListPage page = readListPage(toByteString(body));
    if (!page.unavailableReason.empty())
        out.passOver = std::move(page.unavailableReason);
    else
        out.page = std::move(page);
    return out;
}

namespace {

std::string cursorOrZero(const std::string& cursor)
{
    return cursor.empty() ? "0" : cursor;
}

// The share endpoints, asked as a phone's browser: a collection's whole items, a music's trimmed ones.
ListDoor shareDoor(const LinkTarget& list, const PlatformSettings& platform)
{
    ListDoor door{"share", listDoorLabel("share"), {}};
    const std::string base = "https://" + platform.effectiveShareHost() +
                             (list.kind == LinkKind::Collection ? "/web/api/mix/item/list/?mix_id="
                                                                : "/web/api/v2/music/list/aweme/?music_id=") +
                             list.id + "&count=" + std::to_string(listPageCount) + "&cursor=";
    door.page = [base, platform](const std::string& cursor, const std::atomic<bool>* cancel) {
        KeyValueList headers;
        headers.Add("User-Agent", PlatformProfile::phoneAgent);
        return askForListPage(base + cursorOrZero(cursor), headers.ToHeaderText(), platform, cancel);
    };
    return door;
}

// The web list request's path and query before the cursor: a creator's posts by max_cursor, a
// collection's and a music's by cursor.
std::string webListQuery(const LinkTarget& list, std::string& path)
{
    switch (list.kind) {
    case LinkKind::Creator:
        path = "/aweme/v1/web/aweme/post/";
        return "device_platform=webapp&aid=6383&channel=channel_pc_web&sec_user_id=" + list.id +
               "&count=" + std::to_string(listPageCount) + "&max_cursor=";
    case LinkKind::Collection:
        path = "/aweme/v1/web/mix/aweme/";
        return "device_platform=webapp&aid=6383&channel=channel_pc_web&mix_id=" + list.id +
               "&count=" + std::to_string(listPageCount) + "&cursor=";
    case LinkKind::Music:
        path = "/aweme/v1/web/music/aweme/";
        return "device_platform=webapp&aid=6383&channel=channel_pc_web&music_id=" + list.id +
               "&count=" + std::to_string(listPageCount) + "&cursor=";
    case LinkKind::Post:
        break;
    }
    return {};
}

// The web list request with the open platform's Origin and Referer, unsigned. No cookie goes out: with
// one the gateway refuses the request, as it does the open detail request.
ListDoor openDoor(const LinkTarget& list, const PlatformSettings& platform)
{
    ListDoor door{"open", listDoorLabel("open"), {}};
    std::string path;
    const std::string query = webListQuery(list, path);
    const std::string base = "https://" + platform.effectiveWebHost() + path + "?" + query;
    door.page = [base, platform](const std::string& cursor, const std::atomic<bool>* cancel) {
        KeyValueList headers;
        headers.Add("User-Agent", PlatformProfile::desktopAgent);
        headers.Add("Origin", PlatformProfile::openOrigin);
        headers.Add("Referer", PlatformProfile::openReferer);
        return askForListPage(base + cursorOrZero(cursor), headers.ToHeaderText(), platform, cancel);
    };
    return door;
}

// The web list request as the user's logged-in browser makes it: the user's cookies and the a_bogus
// signature of the query, and when the cookies hold a visitor id (UIFID) the secsdk signature over the
// whole query as well. The cookies are those the user's file holds for the platform's web host; they go
// only to the web host of the settings, which stands for it.
ListDoor signedDoor(const LinkTarget& list, const PlatformSettings& platform, const std::string& cookieHeader,
                    ListSigner signer, std::optional<std::string> visitorId, std::int64_t now)
{
    ListDoor door{"signed", listDoorLabel("signed"), {}};
    std::string path;
    const std::string query = webListQuery(list, path);
    const std::string base = "https://" + platform.effectiveWebHost() + path + "?";
    door.page = [base, query, platform, cookieHeader, signer, visitorId,
                 now](const std::string& cursor, const std::atomic<bool>* cancel) {
        const std::string signedQuery = query + cursorOrZero(cursor);
        const std::string signature = signer(signedQuery, PlatformProfile::desktopAgent);
        std::string sent = signedQuery + "&a_bogus=" + UrlEncode(toByteSet(signature), true);
        KeyValueList headers;
        headers.Add("User-Agent", PlatformProfile::desktopAgent);
        headers.Add("Referer", PlatformProfile::webReferer);
        headers.Add("Cookie", cookieHeader);
        if (visitorId) {
            SecsdkSignedQuery secsdk = secsdkSign(sent, *visitorId, now);
            if (!secsdk.signature.empty()) {
                sent = std::move(secsdk.query);
                headers.Add("uifid", *visitorId);
                headers.Add("x-secsdk-web-signature", secsdk.signature);
                headers.Add("x-secsdk-web-expire", secsdk.timestamp);
            }
        }
        return askForListPage(base + sent, headers.ToHeaderText(), platform, cancel);
    };
    return door;
}

} // namespace

const char* listDoorLabel(std::string_view key)
{
    if (key == "reflow")
        return "回流页";
    if (key == "share")
        return "分享接口";
    if (key == "open")
        return "开放平台";
    if (key == "signed")
        return "登录签名";
    return "";
}

std::optional<ListDoor> openListDoor(std::string_view key, const LinkTarget& list,
                                     const PlatformSettings& platform, const ListAccess& access,
                                     std::string& whyNot)
{
    const LinkKind kind = list.kind;
    if (kind == LinkKind::Post) {
        whyNot = "不是列表";
        return std::nullopt;
    }
    if (key == "reflow" && kind == LinkKind::Creator)
        return reflowCreatorDoor(list.id, platform);
    if (key == "share" && kind != LinkKind::Creator)
        return shareDoor(list, platform);
    if (key == "open" && kind != LinkKind::Music)
        return openDoor(list, platform);
    if (key == "signed") {
        const std::string cookieHeader =
            access.cookies ? access.cookies->headerFor(
                                 std::string("https://") + PlatformProfile::webHost + "/", access.now)
                           : std::string();
        if (cookieHeader.empty()) {
            whyNot = "未设置登录 Cookie，跳过";
            return std::nullopt;
        }
        if (!access.signer) {
            whyNot = "没有请求签名，跳过";
            return std::nullopt;
        }
        return signedDoor(list, platform, cookieHeader, access.signer, secsdkVisitorId(*access.cookies),
                          access.now);
    }
    whyNot = "不能读取这种列表，跳过";
    return std::nullopt;
}

} // namespace quorvane
