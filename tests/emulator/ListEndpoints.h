#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace httplib {
struct Request;
struct Response;
class Server;
} // namespace httplib

namespace quorvane::test {

// The platform's list doors for the emulator, served from lists a test adds:
//   GET /share/user/<sec_uid>                  a creator's share page with the reflow web id and token
//   GET /web/api/v2/aweme/post/?sec_uid=…      the reflow door: answers only with the page's web id and the
//                                              reflow id computed from it, a phone's agent and the page as
//                                              Referer
//   GET /web/api/mix/item/list/?mix_id=…       a collection's share door (whole items)
//   GET /web/api/v2/music/list/aweme/?music_id= a music's share door (items trimmed to their id)
//   GET /aweme/v1/web/aweme/post/, /aweme/v1/web/mix/aweme/, /aweme/v1/web/music/aweme/
//                                              the web list requests: the open door answers a request with
//                                              the open platform's Origin and no cookie, the signed door
//                                              one with a cookie and an a_bogus parameter; any other gets
//                                              200 and an empty body, as the platform does
// Pages are cut by the cursor (an offset: 0, then the end of the page before). A door a list does not
// offer answers as a refused request would.
class ListEndpoints
{
public:
    enum class Fault
    {
        None,
        CursorStuck,  // the page gives back the cursor it was asked with
        PageRepeats,  // the page holds the page before it again (its cursor still advances)
        EmptyPromise, // an empty page with has_more
        Forbidden,    // 403
    };

    struct List
    {
        std::vector<std::string> items; // JSON object texts, in the list's order
        std::size_t pageSize = 4;
        std::set<std::string> doors; // reflow, share, open, signed; empty: every door of its kind
        // From the page with this number (1: the first) on, `fault` on the door `faultDoor` ("": all).
        Fault fault = Fault::None;
        std::size_t faultFromPage = 0;
        std::string faultDoor;
        std::string webId = "7581234567890100001"; // the creator page's reflow web id
        std::string token = "listToken-0001";
    };

    void addCreator(const std::string& secUid, List list);
    void addCollection(const std::string& mixId, List list);
    void addMusic(const std::string& musicId, List list);
    // Adds items in front of a list that exists (new posts of a creator).
    void prepend(const std::string& id, const std::vector<std::string>& items);

    // What the signed door received, for tests to check.
    struct SignedRequest
    {
        std::string cookie;
        std::string aBogus;
        std::string secsdkSignature; // the x-secsdk-web-signature header
        std::string uifid;           // the uifid header
    };
    std::vector<SignedRequest> signedRequests() const;

    void registerRoutes(httplib::Server& server, std::function<void(const httplib::Request&)> record,
                        std::function<std::string(std::string)> expand);

private:
    void servePage(const std::string& door, const std::string& idParam, const std::string& cursorParam,
                   const httplib::Request& request, httplib::Response& response);

    struct Entry
    {
        std::string kind; // creator, collection, music
        List list;
    };
    bool admits(const std::string& door, const std::string& id, const Entry& entry,
                const httplib::Request& request);

    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_lists; // by sec_uid, mix id or music id
    std::vector<SignedRequest> m_signed;
    std::function<std::string(std::string)> m_expand;
};

} // namespace quorvane::test
