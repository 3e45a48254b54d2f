#include "emulator/ReflowEndpoint.h"

#include "emulator/PlatformEmulator.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <vector>

namespace quorvane::test {

namespace {

std::string value(const std::multimap<std::string, std::string>& query, const std::string& name)
{
    const auto found = query.find(name);
    return found == query.end() ? std::string() : found->second;
}

} // namespace

std::string ReflowEndpoint::reflowId(const std::string& webId, const std::string& token)
{
    if (webId.size() < 16)
        return std::string();
    const auto* key = reinterpret_cast<const unsigned char*>(webId.data());
    std::vector<unsigned char> cipher(token.size() + 32);
    int written = 0;
    int last = 0;
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, EVP_aes_128_cbc(), nullptr, key, key);
    EVP_EncryptUpdate(context, cipher.data(), &written, reinterpret_cast<const unsigned char*>(token.data()),
                      static_cast<int>(token.size()));
    EVP_EncryptFinal_ex(context, cipher.data() + written, &last);
    EVP_CIPHER_CTX_free(context);
    std::string encoded(static_cast<std::size_t>(written + last) / 3 * 4 + 8, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), cipher.data(), written + last);
    encoded.resize(static_cast<std::size_t>(length));
    return encoded;
}

void ReflowEndpoint::add(const std::string& id, Post post)
{
    std::lock_guard lock(m_mutex);
    m_posts[id] = std::move(post);
}

bool ReflowEndpoint::has(const std::string& id) const
{
    std::lock_guard lock(m_mutex);
    return m_posts.count(id) != 0;
}

std::string ReflowEndpoint::page(const std::string& id) const
{
    Post post;
    {
        std::lock_guard lock(m_mutex);
        post = m_posts.at(id);
    }
    // Since 2026-08 the page's data holds no post.
    std::string data = PlatformEmulator::routerData(
        "video_(id)/page", R"({"item_list":[],"status_code":0,"extra":{"now":1762179137769}})");
    const std::string fixedWebId = R"("webId":"7581234567890123456")";
    const std::size_t at = data.find(fixedWebId);
    if (at != std::string::npos)
        data.replace(at, fixedWebId.size(),
                     post.shape == PageShape::RouterData ? R"("webId":")" + post.webId + "\""
                                                         : R"("webId":"")");
    std::string divs;
    const bool bare = post.shape == PageShape::BareUpper;
    const auto attribute = [&](const char* lower, const char* upper, const std::string& text) {
        return std::string(" ") + (bare ? upper : lower) + "=" + (bare ? text : "\"" + text + "\"");
    };
    const bool inDiv = post.shape == PageShape::Quoted || bare;
    divs += bare ? "<div id=douyin_reflow_webId" : "<div id=\"douyin_reflow_webId\"";
    if (inDiv)
        divs += attribute("webid", "WEBID", post.webId);
    if (!post.userCip.empty())
        divs += attribute("usercip", "USERCIP", post.userCip);
    divs += " style=\"display:none\"></div>";
    divs += bare ? "<div id=douyin_reflow_token" : "<div class=\"hidden\" id=\"douyin_reflow_token\"";
    divs += attribute("xsstoken", "XSSTOKEN", post.token) + "></div>";
    std::string html = PlatformEmulator::sharePageHtml(data);
    html.insert(html.find("<div id=\"root\">"), divs);
    return html;
}

std::string ReflowEndpoint::itemInfo(const std::multimap<std::string, std::string>& query,
                                     const std::string& userAgent, const std::string& referer) const
{
    const std::string none = R"({"extra":{"now":1762179137769},"item_list":[],"status_code":0})";
    std::lock_guard lock(m_mutex);
    const auto found = m_posts.find(value(query, "item_ids"));
    if (found == m_posts.end())
        return none;
    const Post& post = found->second;
    const std::string webId = value(query, "web_id");
    const bool knownWebId =
        post.shape == PageShape::NoWebId ? m_handedOut.count(webId) != 0 : webId == post.webId;
    const bool ok =
        knownWebId && value(query, "device_id") == webId && value(query, "aid") == "1128" &&
        value(query, "reflow_source") == "reflow_page" && value(query, "scene_from") == "share_reflow" &&
        value(query, "reflow_id") == reflowId(webId, post.token) &&
        value(query, "user_cip") == post.userCip && userAgent.find("iPhone") != std::string::npos &&
        referer.find("/share/video/" + found->first + "/") != std::string::npos;
    if (!ok)
        return none;
    ++m_itemsServed;
    return R"({"extra":{"now":1762179137769},"item_list":[)" + post.item + R"(],"status_code":0})";
}

std::string ReflowEndpoint::webIdService(const std::string& body)
{
    const nlohmann::json request = nlohmann::json::parse(body, nullptr, false);
    if (!request.is_object() || request.value("app_id", 0) != 2018 || !request.contains("url"))
        return R"({"e":-1})";
    std::lock_guard lock(m_mutex);
    const std::string webId = "75" + std::to_string(7000000000000000000ULL + m_handedOut.size() * 7919);
    m_handedOut.insert(webId);
    return R"({"e":0,"web_id":")" + webId + "\"}";
}

int ReflowEndpoint::itemsServed() const
{
    std::lock_guard lock(m_mutex);
    return m_itemsServed;
}

int ReflowEndpoint::webIdsHandedOut() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handedOut.size());
}

} // namespace quorvane::test
