#include "emulator/ListEndpoints.h"

#include "emulator/ReflowEndpoint.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {

namespace {

const std::set<std::string>& doorsOfKind(const std::string& kind)
{
    static const std::set<std::string> creator{"reflow", "open", "signed"};
    static const std::set<std::string> collection{"share", "open", "signed"};
    static const std::set<std::string> music{"share", "signed"};
    return kind == "creator" ? creator : kind == "collection" ? collection : music;
}

// A music's door lists an id and the music, nothing a download could use.
std::string trimmed(const std::string& item)
{
    const nlohmann::json whole = nlohmann::json::parse(item);
    nlohmann::json out{{"aweme_id", whole.at("aweme_id")}};
    if (whole.contains("music"))
        out["music"] = {{"title", whole["music"].value("title", "")}};
    return out.dump();
}

} // namespace

void ListEndpoints::addCreator(const std::string& secUid, List list)
{
    std::lock_guard lock(m_mutex);
    m_lists[secUid] = {"creator", std::move(list)};
}

void ListEndpoints::addCollection(const std::string& mixId, List list)
{
    std::lock_guard lock(m_mutex);
    m_lists[mixId] = {"collection", std::move(list)};
}

void ListEndpoints::addMusic(const std::string& musicId, List list)
{
    std::lock_guard lock(m_mutex);
    m_lists[musicId] = {"music", std::move(list)};
}

void ListEndpoints::prepend(const std::string& id, const std::vector<std::string>& items)
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string>& list = m_lists.at(id).list.items;
    list.insert(list.begin(), items.begin(), items.end());
}

std::vector<ListEndpoints::SignedRequest> ListEndpoints::signedRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_signed;
}

bool ListEndpoints::admits(const std::string& door, const std::string& id, const Entry& entry,
                           const httplib::Request& request)
{
    const std::set<std::string>& offered =
        entry.list.doors.empty() ? doorsOfKind(entry.kind) : entry.list.doors;
    if (!doorsOfKind(entry.kind).count(door) || !offered.count(door))
        return false;
    const std::string agent = request.get_header_value("User-Agent");
    if (door == "reflow") {
        const std::string webId = request.get_param_value("web_id");
        return webId == entry.list.webId && request.get_param_value("device_id") == webId &&
               request.get_param_value("reflow_source") == "reflow_page" &&
               request.get_param_value("reflow_id") == ReflowEndpoint::reflowId(webId, entry.list.token) &&
               agent.find("iPhone") != std::string::npos &&
               request.get_header_value("Referer").find("/share/user/" + id) != std::string::npos;
    }
    if (door == "share")
        return agent.find("iPhone") != std::string::npos;
    const bool cookie = request.has_header("Cookie");
    if (door == "open")
        return !cookie && request.get_header_value("Origin") == "https://open.douyin.com";
    // signed
    m_signed.push_back({request.get_header_value("Cookie"), request.get_param_value("a_bogus"),
                        request.get_header_value("x-secsdk-web-signature"),
                        request.get_header_value("uifid")});
    return cookie && !request.get_param_value("a_bogus").empty();
}

void ListEndpoints::servePage(const std::string& door, const std::string& idParam,
                              const std::string& cursorParam, const httplib::Request& request,
                              httplib::Response& response)
{
    const std::string id = request.get_param_value(idParam.c_str());
    std::unique_lock lock(m_mutex);
    const auto found = m_lists.find(id);
    const bool web = door == "open" || door == "signed";
    if (found == m_lists.end() || !admits(door, id, found->second, request)) {
        // The web requests answer a refused caller with nothing; the others with a status of their own.
        response.set_content(web ? "" : R"({"status_code":2053,"status_msg":"请求未通过校验"})",
                             "application/json; charset=utf-8");
        return;
    }
    const Entry& entry = found->second;
    const List& list = entry.list;
    const std::string cursorText = request.get_param_value(cursorParam.c_str());
    std::size_t offset = cursorText.empty() ? 0 : std::stoull(cursorText);
    const std::size_t size = std::max<std::size_t>(list.pageSize, 1);
    const std::size_t pageNumber = offset / size + 1;
    const bool faulty = list.fault != Fault::None && pageNumber >= list.faultFromPage &&
                        (list.faultDoor.empty() || list.faultDoor == door);
    if (faulty && list.fault == Fault::Forbidden) {
        response.status = 403;
        return;
    }
    std::size_t end = std::min(offset + size, list.items.size());
    std::size_t next = end;
    if (faulty && list.fault == Fault::PageRepeats && offset >= size)
        offset -= size, end = offset + size;
    std::string items;
    const bool empty = faulty && list.fault == Fault::EmptyPromise;
    for (std::size_t i = offset; i < end && !empty; ++i)
        items += (items.empty() ? "" : ",") +
                 (entry.kind == "music" && door == "share" ? trimmed(list.items[i]) : list.items[i]);
    const bool hasMore = empty || next < list.items.size();
    if (faulty && list.fault == Fault::CursorStuck)
        next = offset;
    const std::string cursorName = entry.kind == "creator" ? "max_cursor" : "cursor";
    lock.unlock();
    response.set_content(m_expand(R"({"status_code":0,"aweme_list":[)" + items + R"(],"has_more":)" +
                                  (hasMore ? "1" : "0") + R"(,")" + cursorName + R"(":)" +
                                  std::to_string(next) + R"(,"extra":{"now":1762179137769}})"),
                         "application/json; charset=utf-8");
}

void ListEndpoints::registerRoutes(httplib::Server& server,
                                   std::function<void(const httplib::Request&)> record,
                                   std::function<std::string(std::string)> expand)
{
    m_expand = std::move(expand);
    server.Get(R"(/share/user/([^/?]+)/?)",
               [this, record](const httplib::Request& request, httplib::Response& response) {
                   record(request);
                   const std::string secUid = request.matches[1].str();
                   std::lock_guard lock(m_mutex);
                   const auto found = m_lists.find(secUid);
                   if (found == m_lists.end() ||
                       request.get_header_value("User-Agent").find("iPhone") == std::string::npos) {
                       response.set_content("<html><body>验证</body></html>", "text/html; charset=utf-8");
                       return;
                   }
                   const List& list = found->second.list;
                   response.set_content(
                       "<html><body><div id=\"douyin_reflow_webId\" webid=\"" + list.webId +
                           "\" style=\"display:none\"></div><div class=\"hidden\" id=\"douyin_reflow_token\" "
                           "xsstoken=\"" +
                           list.token + "\"></div><div id=\"root\"></div></body></html>",
                       "text/html; charset=utf-8");
               });
    const auto route = [this, record, &server](const char* path, std::string door, std::string idParam,
                                               std::string cursorParam) {
        server.Get(path, [this, record, door, idParam, cursorParam](const httplib::Request& request,
                                                                    httplib::Response& response) {
            record(request);
            servePage(door, idParam, cursorParam, request, response);
        });
    };
    route("/web/api/v2/aweme/post/", "reflow", "sec_uid", "max_cursor");
    route("/web/api/mix/item/list/", "share", "mix_id", "cursor");
    route("/web/api/v2/music/list/aweme/", "share", "music_id", "cursor");
    // One path serves the open and the signed door: the request tells which it is.
    for (const auto& [path, idParam, cursorParam] :
         {std::tuple{"/aweme/v1/web/aweme/post/", "sec_user_id", "max_cursor"},
          std::tuple{"/aweme/v1/web/mix/aweme/", "mix_id", "cursor"},
          std::tuple{"/aweme/v1/web/music/aweme/", "music_id", "cursor"}}) {
        server.Get(path, [this, record, idParam, cursorParam](const httplib::Request& request,
                                                              httplib::Response& response) {
            record(request);
            const bool signedRequest = request.has_header("Cookie") || request.has_param("a_bogus");
            servePage(signedRequest ? "signed" : "open", idParam, cursorParam, request, response);
        });
    }
}

} // namespace quorvane::test
