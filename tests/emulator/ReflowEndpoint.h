#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace quorvane::test {

// The platform's reflow path for the emulator: the share page that carries a web id and a token instead
// of the post, the web-id service, and the iteminfo request that answers only when its reflow id is
// base64(AES-128-CBC(key = iv = the web id's first 16 bytes, PKCS#7(token))). The emulator computes the
// reflow id with OpenSSL itself, so a client's own computation is checked, not echoed.
class ReflowEndpoint
{
public:
    // How a page hands over its web id.
    enum class PageShape
    {
        Quoted,     // <div id="douyin_reflow_webId" webid="..." usercip="...">, double quotes
        BareUpper,  // <div id=douyin_reflow_webId WEBID=... USERCIP=...>, no quotes, names in capitals
        RouterData, // no webid attribute; "webId":"..." in the page's router data
        NoWebId,    // no web id anywhere: the client asks the web-id service
    };

    struct Post
    {
        std::string item;    // the post, a JSON object text, as iteminfo lists it
        std::string webId;   // digits
        std::string token;   // the page's xsstoken
        std::string userCip; // the page's usercip; empty: the page has none
        PageShape shape = PageShape::Quoted;
    };

    void add(const std::string& id, Post post);
    bool has(const std::string& id) const;

    // The share page of the id's entry (router data without the post, the two reflow divs).
    std::string page(const std::string& id) const;

    // The answer to GET /web/api/v2/aweme/iteminfo/ with these query parameters and headers: the post
    // when every check passes, else an empty item_list.
    std::string itemInfo(const std::multimap<std::string, std::string>& query, const std::string& userAgent,
                         const std::string& referer) const;

    // The answer to POST /webid: a fresh web id, remembered as valid, when the body names app 2018;
    // otherwise an answer without one.
    std::string webIdService(const std::string& body);

    // Iteminfo requests answered with the post, and web ids handed out, so far.
    int itemsServed() const;
    int webIdsHandedOut() const;

    // base64(AES-128-CBC(key = iv = webId[0..16), PKCS#7(token))), computed with OpenSSL.
    static std::string reflowId(const std::string& webId, const std::string& token);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Post> m_posts;
    std::set<std::string> m_handedOut;
    mutable int m_itemsServed = 0;
};

} // namespace quorvane::test
