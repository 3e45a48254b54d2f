#pragma once

#include "net/TransferResult.h"
#include "pipeline/answers/ListPageReader.h"
#include "pipeline/post/LinkTarget.h"
#include "pipeline/sources/VideoDetail.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class CookieJar;
struct PlatformSettings;

// Signs a web list request: the value of its `a_bogus` query parameter for the request's query (without
// a_bogus) and the User-Agent it goes out with.
using ListSigner = std::function<std::string(std::string_view query, std::string_view userAgent)>;

// What the signed door needs from the user: the cookies and the signature. Without both it is skipped.
struct ListAccess
{
    const CookieJar* cookies = nullptr;
    ListSigner signer;
    std::int64_t now = 0; // seconds since 1970, for the cookies' expiry
};

// One page as a door got it: the list page, or why the door is passed over (a failed request, an answer
// that holds no list).
struct DoorPage
{
    std::optional<ListPage> page;
    std::string passOver; // UTF-8; empty when `page` is set
    TransferResult transfer;
    SourceReport report; // the requests made for this page
};

// One way of reading a list's pages. A door keeps what its first request learnt (the reflow door's web id
// and proof) for the pages after it.
struct ListDoor
{
    std::string key;        // as the settings' order names it: reflow, share, open, signed
    const char* label = ""; // as --verbose names it (UTF-8)
    std::function<DoorPage(const std::string& cursor, const std::atomic<bool>* cancel)> page;
};

// The door `key` for `list` (a creator, collection or music), or std::nullopt with `whyNot` (UTF-8) when
// the door cannot read that kind of list or lacks what it needs (the signed door without cookies for the
// web host or without a signer).
std::optional<ListDoor> openListDoor(std::string_view key, const LinkTarget& list,
                                     const PlatformSettings& platform, const ListAccess& access,
                                     std::string& whyNot);

// One GET of a list page with the header lines `headers`, read as a list answer (a door's common step).
DoorPage askForListPage(const std::string& url, const std::string& headers, const PlatformSettings& platform,
                        const std::atomic<bool>* cancel);

// The door's name for --verbose ("回流页", "分享接口", "开放平台", "登录签名").
const char* listDoorLabel(std::string_view key);

// How many posts a page is asked for.
inline constexpr int listPageCount = 20;

} // namespace quorvane
