// Benchmark of the pipeline on loopback, against references measured in the same run:
//  - a 256 MiB download by the pipeline's download path against `curl -o` of the same address,
//  - the CPU time of the thread that waits for the download, against the download's wall time,
//  - peak memory after a 32 MiB and after a 256 MiB download,
//  - 1,000 parses in a row against the same two requests made bare, and the memory over them,
//  - reading the post out of a large share page against parsing the same data without the page around it.
// The platform stand-in runs as its own process (quorvane-emulator) serving a file generated in a temp
// folder.
#include "base/CharsetConverter.h"
#include "net/HttpRequest.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/Engine.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/PageScriptData.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "script/JsonTree.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double currentRssMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void writeFile(const std::filesystem::path& path, std::size_t bytes)
{
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 % 251);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < bytes; written += block.size())
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - written)));
}

// The stand-in as a child process; its ports come from the line it prints when ready.
class EmulatorProcess
{
public:
    EmulatorProcess(const std::filesystem::path& media, const std::filesystem::path& certs)
    {
        int fds[2];
        if (pipe(fds) != 0)
            std::exit(1);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            execl(QUORVANE_EMULATOR_PATH, QUORVANE_EMULATOR_PATH, "--data", QUORVANE_EMULATOR_DATA, "--media",
                  media.c_str(), "--cert-dir", certs.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        char line[512] = {};
        char ca[400] = {};
        if (!std::fgets(line, sizeof line, out) ||
            std::sscanf(line, "http=%d https=%d ca=%399s", &http, &https, ca) != 3) {
            std::fprintf(stderr, "the emulator did not start\n");
            std::exit(1);
        }
        caFile = ca;
        m_out = out;
    }
    ~EmulatorProcess()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        std::fclose(m_out);
    }

    std::string httpUrl(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(http) + path;
    }

    int http = 0;
    int https = 0;
    std::string caFile;

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
};

// Seconds of one `curl -o` of the address, as curl itself times the transfer (its start-up left out).
double curlDownload(const std::string& url, const std::filesystem::path& target)
{
    const std::string command = "curl -s -f -w '%{time_total}' -o '" + target.string() + "' '" + url + "'";
    FILE* curl = popen(command.c_str(), "r");
    double elapsed = 0;
    const bool read = curl && std::fscanf(curl, "%lf", &elapsed) == 1;
    const int rc = curl ? pclose(curl) : -1;
    std::filesystem::remove(target);
    if (!read || rc != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return elapsed;
}

struct PipelineRun
{
    double wall = 0;
    double waitingCpu = 0;
};

// One download through the pipeline's download path on the engine's thread, timed on the thread that
// waits for its result (the window's thread in the program).
PipelineRun pipelineDownload(Engine& engine, const PlatformSettings& platform, const std::string& url,
                             const std::filesystem::path& target)
{
    const double cpuBefore = threadCpuSeconds();
    const auto start = Clock::now();
    std::promise<bool> done;
    engine.submit([&](const std::atomic<bool>& cancel) {
        const MediaFile file{MediaFile::Kind::Video, 0, ".mp4", {CharsetConverter::utf8ToText(url)}};
        done.set_value(
            saveMediaFile(file, CharsetConverter::utf8ToText(target.string()), {}, platform, nullptr, cancel)
                .ok());
    });
    const bool ok = done.get_future().get();
    PipelineRun run{seconds(Clock::now() - start), threadCpuSeconds() - cpuBefore};
    std::filesystem::remove(target);
    if (!ok) {
        std::fprintf(stderr, "the pipeline's download failed\n");
        std::exit(1);
    }
    return run;
}

// The router data of a share page with one post and `fillerBytes` of other page data (texts with braces,
// quotes and escapes, as comments carry them), and the page around it.
std::string routerData(std::size_t fillerBytes)
{
    std::string comments;
    for (int i = 0; comments.size() < fillerBytes; ++i)
        comments += (i ? "," : "") + std::string(R"({"cid":")") + std::to_string(7301234567890000000LL + i) +
                    R"(","text":"好看}{\"引号\"\\ 😀 \u002F","digg_count":)" + std::to_string(i) + "}";
    return R"({"loaderData":{"video_layout":null,"video_(id)\u002Fpage":{"videoInfoRes":{"item_list":[{"aweme_id":"1",)"
           R"("desc":"标题","create_time":1701388800,"video":{"bit_rate":null,"play_addr":{"url_list":[)"
           R"("https:\u002F\u002Faweme.snssdk.com\u002Faweme\u002Fv1\u002Fplaywm\u002F?video_id=v0200"]}}}],)"
           R"("filter_list":[],"status_code":0},"comments":[)" +
           comments + "]}},\"errors\":null}";
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void benchSharePage()
{
    const std::string data = routerData(6u << 20); // below the largest object read
    const std::string page =
        "<!DOCTYPE html><html><head><script>window.__pageTiming = {\"fmp\":\"}\"};</script>"
        "</head><body><script>window._ROUTER_DATA = " +
        data + "</script></body></html>";
    std::vector<double> full, bare;
    for (int round = 0; round < 7; ++round) {
        auto start = Clock::now();
        const auto object = findAssignedObject(page, routerDataVariable);
        const std::optional<DetailReading> reading =
            object ? readRouterData(*object, false) : std::optional<DetailReading>();
        full.push_back(seconds(Clock::now() - start));
        if (!reading || !reading->post || reading->post->rungs.empty() ||
            reading->post->rungs[0].addresses.empty() ||
            reading->post->rungs[0].addresses[0].find("/play/") == std::string::npos) {
            std::fprintf(stderr, "the share page was not read\n");
            std::exit(1);
        }
        start = Clock::now();
        const JsonTree reference(data);
        if (!reference.ok())
            std::exit(1);
        bare.push_back(seconds(Clock::now() - start));
    }
    std::printf(
        "share page of %.1f MiB: read in %.1f ms, its data parsed alone in %.1f ms: ratio %.2f (aim < 1.2)\n",
        static_cast<double>(page.size()) / (1 << 20), medianOf(full) * 1000, medianOf(bare) * 1000,
        medianOf(full) / medianOf(bare));
}

} // namespace

int main()
{
    const std::filesystem::path temp =
        std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(temp / "media");
    std::filesystem::create_directories(temp / "out");
    constexpr std::size_t big = 256u << 20;
    constexpr std::size_t small = 32u << 20;
    writeFile(temp / "media" / "big.mp4", big);
    writeFile(temp / "media" / "small.mp4", small);

    {
        EmulatorProcess emulator(temp / "media", temp / "certs");
        PlatformSettings platform;
        platform.webHost = "127.0.0.1:" + std::to_string(emulator.https);
        platform.shareHost = platform.webHost;
        platform.guestHost = platform.webHost;
        platform.guestStateFile = temp / "state" / "guest.ini";
        platform.caFile = emulator.caFile;
        Engine engine;
        const std::string bigUrl = emulator.httpUrl("/media/big.mp4");

        // Warm the page cache and the connection path once on both sides.
        curlDownload(emulator.httpUrl("/media/small.mp4"), temp / "out" / "warm");
        pipelineDownload(engine, platform, emulator.httpUrl("/media/small.mp4"), temp / "out" / "warm.mp4");
        const double peakSmall = peakRssMiB();

        double curlBest = 1e9;
        PipelineRun best{1e9, 0};
        for (int round = 0; round < 3; ++round) {
            curlBest = std::min(curlBest, curlDownload(bigUrl, temp / "out" / "curl.bin"));
            const PipelineRun run = pipelineDownload(engine, platform, bigUrl, temp / "out" / "big.mp4");
            if (run.wall < best.wall)
                best = run;
        }
        const double peakBig = peakRssMiB();
        const double mib = static_cast<double>(big) / (1 << 20);
        std::printf("download of 256 MiB (best of 3):\n");
        std::printf("  curl -o   %8.1f MiB/s\n", mib / curlBest);
        std::printf("  pipeline  %8.1f MiB/s   ratio %.3f of curl (aim >= 0.95)\n", mib / best.wall,
                    curlBest / best.wall);
        std::printf("waiting thread: %.1f ms CPU over %.1f ms wall = %.2f%% (aim < 5%%)\n",
                    best.waitingCpu * 1000, best.wall * 1000, 100 * best.waitingCpu / best.wall);
        std::printf("peak memory: %.1f MiB after 32 MiB downloads, %.1f MiB after 256 MiB downloads (growth "
                    "%.1f MiB; "
                    "aim: independent of size)\n",
                    peakSmall, peakBig, peakBig - peakSmall);

        // 1,000 parses, against the same two requests made without the pipeline around them.
        constexpr int parses = 1000;
        const std::string link = emulator.httpUrl("/v.douyin.com/iRNBho6u/");
        const Text linkText = link;
        const std::string detail =
            "https://" + platform.webHost + "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456";
        std::vector<double> bare;
        for (int i = 0; i < parses; ++i) {
            const auto start = Clock::now();
            Text headers;
            HttpRequest(linkText,
                        {.headers = browserHeaderBlock(), .returnedHeaders = &headers, .noRedirect = true});
            HttpRequest(detail, {.headers = browserHeaderBlock(), .caFile = platform.caFile});
            bare.push_back(seconds(Clock::now() - start));
        }
        std::vector<double> full;
        double rssAfter100 = 0;
        int failed = 0;
        for (int i = 0; i < parses; ++i) {
            const auto start = Clock::now();
            const ParseOutcome outcome = parsePost(linkText, platform);
            full.push_back(seconds(Clock::now() - start));
            failed += outcome.ok() ? 0 : 1;
            if (i == 99)
                rssAfter100 = currentRssMiB();
        }
        const double rssAfter1000 = currentRssMiB();
        const auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const auto worst = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
        std::printf(
            "%d parses (%d failed): median %.2f ms, slowest %.2f ms; the bare requests: median %.2f ms\n",
            parses, failed, median(full) * 1000, worst(full) * 1000, median(bare) * 1000);
        std::printf("  each parse %.2f ms over the emulator's answer time (aim < 5 ms)\n",
                    (median(full) - median(bare)) * 1000);
        std::printf("  memory: %.1f MiB after 100 parses, %.1f MiB after 1000 (growth %.2f MiB; aim: none)\n",
                    rssAfter100, rssAfter1000, rssAfter1000 - rssAfter100);
    }
    std::filesystem::remove_all(temp);
    benchSharePage();
    return 0;
}
