// The pieces of whole lists that read what comes from outside: a list page (the platform's answer), a
// link (the user's or a redirect's), a cookies.txt (the user's file), an item selection and a day. None fails
// on anything, and what they give keeps its bounds: no more items than a page may hold, no empty or unplain
// id, no cursor that is not digits, and never a cookie for a host outside the platform's or outside its own
// domain.
#include "FuzzCheck.h"

#include "pipeline/answers/ListPageReader.h"
#include "pipeline/answers/PlatformIds.h"
#include "pipeline/lists/CookieJar.h"
#include "pipeline/lists/DateBound.h"
#include "pipeline/lists/ItemSelection.h"
#include "pipeline/post/LinkTarget.h"
#include "pipeline/settings/HostMatch.h"
#include "pipeline/settings/ListSettings.h"

#include <algorithm>

using namespace quorvane;

namespace {

void checkListPage(const ListPage& page)
{
    FUZZ_CHECK(page.posts.size() + page.trimmedIds.size() + page.skippedItems <= maxListItemsPerPage);
    for (const PostDetail& post : page.posts)
        FUZZ_CHECK(isPlainNumberId(post.id));
    for (const std::string& id : page.trimmedIds)
        FUZZ_CHECK(isPlainNumberId(id));
    for (const PostDetail& post : page.posts)
        FUZZ_CHECK(!post.episode || *post.episode > 0);
    FUZZ_CHECK(page.nextCursor.empty() || isPlainNumberId(page.nextCursor));
    // A refused answer gives nothing else.
    FUZZ_CHECK(page.unavailableReason.empty() || (page.posts.empty() && page.trimmedIds.empty()));
}

void checkLink(std::string_view link)
{
    const std::optional<LinkTarget> target = classifyLink(link);
    if (!target)
        return;
    FUZZ_CHECK(target->kind == LinkKind::Creator ? isPlainSecUid(target->id) : isPlainNumberId(target->id));
    std::string lower(link);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    FUZZ_CHECK(lower.find("douyin.com") != std::string::npos || lower.find("amemv.com") != std::string::npos);
}

// The header for https://<host>/: nothing for a host outside the platform's, and only when some cookie's
// domain covers the host; never a line break.
void checkHeader(const CookieJar& jar, const std::string& host)
{
    const std::string header = jar.headerFor("https://" + host + "/", 0);
    FUZZ_CHECK(header.find_first_of("\r\n") == std::string::npos);
    if (header.empty())
        return;
    FUZZ_CHECK(isPlatformHost(host));
    const std::string normal = normalisedHost(host);
    FUZZ_CHECK(std::any_of(jar.cookies().begin(), jar.cookies().end(), [&](const CookieJar::Cookie& cookie) {
        return cookie.subdomains ? hostMatchesDomain(normal, cookie.domain) : normal == cookie.domain;
    }));
}

void checkCookies(std::string_view text)
{
    const ParsedCookieJar parsed = CookieJar::read(text);
    FUZZ_CHECK(parsed.jar.has_value() != !parsed.error.empty());
    if (!parsed.jar)
        return;
    const CookieJar& jar = *parsed.jar;
    FUZZ_CHECK(jar.cookies().size() <= CookieJar::maxCookies);
    for (const CookieJar::Cookie& cookie : jar.cookies()) {
        FUZZ_CHECK(isPlatformHost(cookie.domain));
        FUZZ_CHECK(!cookie.name.empty());
        // Hosts that merely look like the cookie's get nothing.
        FUZZ_CHECK(jar.headerFor("https://" + cookie.domain + ".evil.example/", 0).empty());
        FUZZ_CHECK(jar.headerFor("https://evil.example/" + cookie.domain, 0).empty());
        checkHeader(jar, cookie.domain);
        checkHeader(jar, "x" + cookie.domain);
        checkHeader(jar, "www." + cookie.domain);
    }
    for (const char* host : {"www.douyin.com", "m.douyin.com", "www.iesdouyin.com", "aweme.amemv.com",
                             "example.com", "douyin.com.evil.example", "evildouyin.com"})
        checkHeader(jar, host);
}

// The user's -I and date texts: refused with a reason, or a selection whose early stop never drops a
// wanted place.
void checkSelections(std::string_view text)
{
    const ParsedItemSelection parsed = ItemSelection::parse(text);
    FUZZ_CHECK(parsed.selection.has_value() == parsed.error.empty());
    if (parsed.selection) {
        for (std::size_t i = 1; i <= 64; ++i)
            FUZZ_CHECK(!parsed.selection->wants(i) || parsed.selection->wantsAnyFrom(i));
    }
    const ParsedDay day = DateBound::parseDay(text, dayNumber(2024, 3, 31));
    FUZZ_CHECK(day.day.has_value() == day.error.empty());
}

// The door order setting: each kind keeps at least one door, only doors of its own, none twice, and the
// text it writes reads back to the same order.
void checkDoorOrder(std::string_view text)
{
    const ListSettings order = ListSettings::parseOrder(text);
    const std::pair<const char*, const std::vector<std::string>*> kinds[] = {
        {"creator", &order.creator}, {"collection", &order.collection}, {"music", &order.music}};
    for (const auto& [kind, doors] : kinds) {
        const std::vector<std::string> known = ListSettings::knownDoors(kind);
        FUZZ_CHECK(!doors->empty());
        for (std::size_t i = 0; i < doors->size(); ++i) {
            FUZZ_CHECK(std::find(known.begin(), known.end(), (*doors)[i]) != known.end());
            FUZZ_CHECK(std::find(doors->begin() + static_cast<std::ptrdiff_t>(i) + 1, doors->end(),
                                 (*doors)[i]) == doors->end());
        }
    }
    FUZZ_CHECK(ListSettings::parseOrder(order.orderText()).orderText() == order.orderText());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    checkListPage(readListPage(input));
    checkLink(input);
    checkCookies(input);
    checkSelections(input);
    checkDoorOrder(input);
    // A share text or a file of links: each line on its own.
    for (const std::string& line : fuzz::fields(input, 4))
        checkLink(line);
    return 0;
}
