#include "PipelineTestSupport.h"

#include "base/platform/Paths.h"
#include "support/UniqueFolder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace quorvane::test {

TempFolder::TempFolder()
{
    m_path = createUniqueFolder("quorvane-test-");
}

TempFolder::~TempFolder()
{
    std::error_code error;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, error);
    std::filesystem::remove_all(m_path, error);
}

std::filesystem::path TempFolder::file(std::string_view name) const
{
    return m_path / pathFromUtf8(name);
}

std::string TempFolder::text() const
{
    return m_path.string();
}

std::vector<std::string> TempFolder::files() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
        names.push_back(utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void setVariable(const std::string& name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void unsetVariable(const std::string& name)
{
#ifdef _WIN32
    // An empty value removes the variable.
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

} // namespace

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (old)
        m_old = old;
    setVariable(m_name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        setVariable(m_name, m_old);
    else
        unsetVariable(m_name);
}

PlatformEmulator& sharedEmulator()
{
    static PlatformEmulator emulator([] {
        PlatformEmulator::Options options;
        options.dataDir = QUORVANE_EMULATOR_DATA;
        return options;
    }());
    static const bool started = (emulator.start(), true);
    (void)started;
    return emulator;
}

PlatformSettings emulatorPlatform(const PlatformEmulator& emulator)
{
    PlatformSettings platform;
    platform.webHost = emulator.webHost();
    platform.shareHost = emulator.shareHost();
    platform.caFile = emulator.caFile();
    // The guest session goes to the emulator too, and is kept in a folder of this test program's own.
    static const TempFolder state;
    platform.guestHost = emulator.webHost();
    platform.webIdHost = emulator.webHost();
    platform.mobileHost = emulator.webHost();
    platform.guestStateFile = state.path() / "quibexlar" / "guest.ini";
    platform.requestTimeoutSeconds = 2;
    platform.stallSeconds = 2;
    return platform;
}

std::string detailJson(const std::string& id, const std::string& title, const std::string& createTime,
                       const std::string& playUrl, const std::string& musicUrl)
{
    nlohmann::json create = createTime.empty() ? nlohmann::json("") : nlohmann::json::parse(createTime);
    const nlohmann::json answer = {
        {"aweme_detail",
         {{"aweme_id", id},
          {"desc", title},
          {"create_time", create},
          {"author", {{"nickname", "测试作者"}, {"uid", "1000001"}}},
          {"music",
           {{"id_str", "7190000000000000009"}, {"play_url", {{"uri", musicUrl}, {"url_list", {musicUrl}}}}}},
          {"video",
           {{"bit_rate",
             {{{"gear_name", "normal_720_0"},
               {"bit_rate", 1015830},
               {"play_addr", {{"url_list", {playUrl, playUrl + "&backup=1"}}, {"data_size", 65536}}}}}},
            {"play_addr", {{"url_list", {playUrl + "&watermark=1"}}}}}}}},
        {"log_pb", {{"impr_id", "20230201140510TEST"}}},
        {"status_code", 0}};
    return answer.dump();
}

nlohmann::json postItem(const std::string& id, const std::string& title,
                        const std::vector<std::string>& bitRateUrls,
                        const std::vector<std::string>& playAddrUrls,
                        const std::vector<std::string>& musicUrls)
{
    nlohmann::json bitRates = nlohmann::json::array();
    if (!bitRateUrls.empty())
        bitRates.push_back(
            {{"gear_name", "normal_720_0"},
             {"quality_type", 10},
             {"bit_rate", 1127406},
             {"is_h265", 0},
             {"play_addr", {{"uri", "v0200fg10000" + id}, {"url_list", bitRateUrls}, {"data_size", 65536}}}});
    return {
        {"aweme_id", id},
        {"aweme_type", 0},
        {"desc", title},
        {"create_time", 1701388800},
        {"author", {{"nickname", "测试作者🎈"}, {"uid", "93827461520"}, {"follow_status", 0}}},
        {"music",
         {{"id", 7190000000000000009},
          {"id_str", "7190000000000000009"},
          {"title", "@测试作者🎈创作的原声"},
          {"duration", 12},
          {"play_url", {{"uri", musicUrls.empty() ? "" : musicUrls[0]}, {"url_list", musicUrls}}}}},
        {"video",
         {{"bit_rate", bitRates},
          {"play_addr", {{"uri", "v0200fg10000" + id}, {"url_list", playAddrUrls}}},
          {"duration", 12480},
          {"width", 720},
          {"height", 1280}}},
        {"images", nullptr},
        {"statistics", {{"aweme_id", id}, {"comment_count", 3}, {"digg_count", 1024}, {"share_count", 0}}}};
}

nlohmann::json imagePostItem(const std::string& id, const std::string& title,
                             const std::vector<std::vector<std::string>>& images, const std::string& musicUrl)
{
    nlohmann::json item = postItem(id, title, {}, {musicUrl}, {musicUrl});
    item["aweme_type"] = 68;
    item["media_type"] = 2;
    item["video"]["duration"] = 0;
    nlohmann::json list = nlohmann::json::array();
    for (const auto& urls : images)
        list.push_back({{"uri", "tos-cn-i-0813c001/" + id},
                        {"width", 1440},
                        {"height", 1918},
                        {"url_list", urls},
                        {"download_url_list", {"{{http}}/media/watermarked.webp?size=10"}}});
    item["images"] = list;
    return item;
}

std::string webAnswer(const nlohmann::json& item)
{
    return nlohmann::json{
        {"aweme_detail", item}, {"log_pb", {{"impr_id", "20251103221217TEST"}}}, {"status_code", 0}}
        .dump();
}

std::string slidesAnswer(const nlohmann::json& item)
{
    return nlohmann::json{{"aweme_details", {item}},
                          {"extra", {{"logid", "20251103221217TEST"}, {"now", 1762179137769}}},
                          {"status_code", 0}}
        .dump();
}

std::string sharePage(const nlohmann::json& item, const std::string& pageKey)
{
    const nlohmann::json answer = {{"extra", {{"logid", "20251103221217TEST"}, {"now", 1762179137769}}},
                                   {"filter_list", nlohmann::json::array()},
                                   {"is_oversea", 0},
                                   {"item_list", {item}},
                                   {"status_code", 0}};
    return PlatformEmulator::sharePageHtml(PlatformEmulator::routerData(pageKey, answer.dump()));
}

std::string cdnUrl(const std::string& name, std::int64_t size, const std::string& extra)
{
    return "{{http}}/media/" + name + "?size=" + std::to_string(size) +
           "&a=6383&ch=26&cr=3&dr=0&lr=all&cd=0%7C0%7C0%7C0&cv=1&br=1127&bt=1127&cs=0&ds=4&ft="
           "rVWEerwwZRFsYxwyy8"
           "&mime_type=video_mp4&qs=0&rc=ZjY8aDNpOmY1ZmU8NTg3OkBpanQ4eGk5cjk7bjMzNGkzM0A0NS1eYS8vNTUxYy1j"
           "&btag=80000e00010000&dy_q=1762179137&l=20261207093015C3A1F0B2D4E6A8C0E2F1" +
           extra;
}

std::string addVideo(PlatformEmulator& emulator, const std::string& code, const std::string& id,
                     const std::string& title, std::int64_t videoBytes, const std::string& createTime)
{
    emulator.addVideoLink(code, id);
    emulator.addDetail(id, detailJson(id, title, createTime,
                                      "{{http}}/media/" + id + ".mp4?size=" + std::to_string(videoBytes),
                                      "{{https}}/media/" + id + ".mp3?size=4096"));
    return emulator.shortLink(code);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string generatedBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

} // namespace quorvane::test

// glibc keeps the search path it builds from LOCPATH when it loads a locale (the 12-hour locale test sets
// LOCPATH); that allocation is the C library's, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:__argz_add_sep\n";
}
