// Benchmark of reading a whole list, against references measured in the same run:
//  - `quorvane-cli --flat-playlist` of a 1,000-post creator (50 pages) from the emulator, against one
//    `curl` process fetching the same 50 pages one after another over one connection;
//  - the program's peak memory listing a 10,000-post creator (500 pages), against 40 MiB.
// The emulator runs in this process and serves the open door only; the program is pointed at it through
// a settings file of its own.
#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "emulator/PlatformEmulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using quorvane::test::ListEndpoints;
using quorvane::test::PlatformEmulator;

namespace {

constexpr std::size_t pageSize = 20;

// A whole post as a list page carries it (about 1 KiB, as the platform's are several).
std::string item(std::size_t i, const std::string& media)
{
    const std::string id = std::to_string(7400000000000000000ULL + i);
    return R"({"aweme_id":")" + id + R"(","desc":"第 )" + std::to_string(i) +
           R"( 个作品 #话题 #长一点的标题让它像真的一样","create_time":)" +
           std::to_string(1701432000 - static_cast<long long>(i) * 3600) +
           R"(,"author":{"nickname":"基准作者","sec_uid":"MS4wLjABAAAAbenchCreator"},"music":{"title":"原声",)"
           R"("play_url":{"url_list":[")" +
           media + R"("]}},"video":{"play_addr":{"uri":"v0200fg)" + id + R"(","url_list":[")" + media +
           R"("]},"bit_rate":[{"gear_name":"normal_720_0","bit_rate":1127406,)"
           R"("is_h265":0,"play_addr":{"uri":"v0200fg)" +
           id + R"(","url_list":[")" + media + R"(",")" + media +
           R"(&b=2"],"data_size":65536}}],"cover":{"url_list":[")" + media +
           R"(.jpeg"]}},"statistics":)"
           R"({"digg_count":1024,"comment_count":3}})";
}

struct ChildRun
{
    double seconds = 0;
    double peakMiB = 0;
    int status = -1;
};

// Runs `command` through the shell, its output thrown away; wall time and the child's peak memory.
ChildRun runChild(const std::string& command)
{
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (command + " >/dev/null 2>&1").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ChildRun run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string creator(PlatformEmulator& emulator, const std::string& secUid, std::size_t posts)
{
    ListEndpoints::List list;
    list.pageSize = pageSize;
    list.doors = {"open"};
    const std::string media = emulator.httpUrl("/media/bench.mp4?size=1000");
    for (std::size_t i = 0; i < posts; ++i)
        list.items.push_back(item(i, media));
    emulator.lists().addCreator(secUid, std::move(list));
    return "https://www.douyin.com/user/" + secUid;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string cli = argc > 1 ? argv[1] : QUORVANE_CLI_PATH;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    PlatformEmulator emulator;
    emulator.start();
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("list_bench." + std::to_string(getpid()));
    std::filesystem::create_directories(home / "quibexlar");
    {
        // The settings file is GB18030, as the programs keep it.
        const auto text = [](const char* utf8) { return quorvane::CharsetConverter::utf8ToText(utf8); };
        quorvane::IniFile settings;
        const quorvane::Text section = text("平台");
        settings.setValue(section, text("网页主机"), emulator.webHost());
        settings.setValue(section, text("分享主机"), emulator.shareHost());
        settings.setValue(section, text("手机主机"), emulator.webHost());
        settings.setValue(section, text("证书文件"), emulator.caFile());
        settings.setValue(section, text("列表来源顺序"), "creator:open");
        if (!settings.save(home / "quibexlar" / "set.ini")) {
            std::fprintf(stderr, "list_bench: cannot write the settings file\n");
            return 1;
        }
    }
    const std::string environment = "XDG_CONFIG_HOME='" + home.string() + "' XDG_DATA_HOME='" +
                                    home.string() + "/data' HOME='" + home.string() + "' ";
    const std::string thousand = creator(emulator, "MS4wLjABAAAAbenchThousand", 1000);
    const std::string tenThousand = creator(emulator, "MS4wLjABAAAAbenchTenThousand", 10000);

    // The reference: the same 50 page requests in one curl process (one connection, reused).
    std::string curl = "curl -s --cacert '" + emulator.caFile() + "' -H 'Origin: https://open.douyin.com'" +
                       " -H 'Referer: https://open.douyin.com/'";
    for (std::size_t page = 0; page < 1000 / pageSize; ++page)
        curl += " -o /dev/null '" +
                emulator.httpsUrl(
                    "/aweme/v1/web/aweme/post/?device_platform=webapp&aid=6383&channel=channel_pc_web"
                    "&sec_user_id=MS4wLjABAAAAbenchThousand&count=20&max_cursor=" +
                    std::to_string(page * pageSize)) +
                "'";
    const std::string ours = environment + "'" + cli + "' --flat-playlist --json --no-history --quiet '";

    double bestCli = 1e9, bestCurl = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const ChildRun listed = runChild(ours + thousand + "'");
        const ChildRun fetched = runChild(curl);
        if (listed.status != 0 || fetched.status != 0) {
            std::fprintf(stderr, "list_bench: a run failed (quorvane-cli %d, curl %d)\n", listed.status,
                         fetched.status);
            return 1;
        }
        bestCli = std::min(bestCli, listed.seconds);
        bestCurl = std::min(bestCurl, fetched.seconds);
    }
    std::printf("1,000-post creator, 50 pages, best of %d\n", rounds);
    std::printf("  quorvane-cli --flat-playlist  %8.3f s\n", bestCli);
    std::printf("  curl, same 50 pages           %8.3f s\n", bestCurl);
    std::printf("  ratio                         %8.2fx (target at most 1.2x)\n", bestCli / bestCurl);

    const ChildRun large = runChild(ours + tenThousand + "'");
    std::printf("10,000-post creator, 500 pages\n");
    std::printf("  peak memory                   %8.1f MiB (status %d)\n", large.peakMiB, large.status);
    std::printf("  against 40 MiB                %8.2fx (target at most 1.0x)\n", large.peakMiB / 40.0);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
