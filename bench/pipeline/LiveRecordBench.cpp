// Recording a live room's stream: quorvane-cli against `curl -o` on the same 20 Mbit/s HTTP-FLV stream of
// the in-process emulator, each for the same time, as child processes measured by the system (CPU time
// and peak resident memory). Prints both side by side and the ratios.
//
//     live_record_bench [SECONDS]
#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "emulator/PlatformEmulator.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace quorvane;
using namespace quorvane::test;

namespace {

struct Usage
{
    double cpuSeconds = 0;
    long peakKiB = 0;
    std::uintmax_t bytes = 0;
    int status = -1;
};

Usage runChild(std::vector<std::string> arguments, const std::vector<std::string>& environment,
               const std::filesystem::path& output)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> env(environment);
    for (char** variable = environ; *variable; ++variable)
        env.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : env)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    Usage usage;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        std::perror(argv[0]);
        return usage;
    }
    int status = 0;
    rusage used{};
    wait4(pid, &status, 0, &used);
    usage.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usage.cpuSeconds = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                       static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    usage.peakKiB = used.ru_maxrss;
    std::error_code ignored;
    if (std::filesystem::is_directory(output, ignored)) {
        for (const auto& entry : std::filesystem::directory_iterator(output))
            usage.bytes += entry.file_size();
    } else {
        usage.bytes = std::filesystem::file_size(output, ignored);
    }
    return usage;
}

// The first FLV address of the room's answer, placeholders replaced.
std::string streamAddress(PlatformEmulator& emulator, const std::string& roomId)
{
    const std::string answer = emulator.live().reflowAnswer(roomId);
    const std::string start = "{{http}}/live/stream/" + roomId + "_origin.flv";
    const std::size_t at = answer.find(start);
    if (at == std::string::npos)
        return {};
    const std::size_t end = answer.find_first_of("\"\\", at);
    return emulator.httpUrl() + answer.substr(at + 8, end - at - 8);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    PlatformEmulator emulator;
    emulator.start();
    LiveEndpoints::Room room;
    room.roomId = "7400000000000099001";
    room.webRid = "899001";
    room.title = "bench";
    room.nickname = "bench";
    room.secUid = "bench";
    room.stream.tags = 0;            // endless
    room.stream.videoBytes = 100000; // two tags every 40 ms: 2.5 MB/s, 20 Mbit/s
    room.stream.bytesPerSecond = 2500000;
    emulator.live().addRoom(room);

    const std::filesystem::path work = std::filesystem::temp_directory_path() / "quorvane-live-bench";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "config" / "quibexlar");
    std::filesystem::create_directories(work / "ours");
    IniFile settings;
    const Text section = CharsetConverter::utf8ToText("平台");
    for (const char* key : {"访客主机", "直播主机", "直播回流主机"})
        settings.setValue(section, CharsetConverter::utf8ToText(key), emulator.webHost());
    settings.setValue(section, CharsetConverter::utf8ToText("证书文件"), emulator.caFile());
    settings.save(work / "config" / "quibexlar" / "set.ini");
    const std::string home = (work / "config").string();
    const std::vector<std::string> environment{"XDG_CONFIG_HOME=" + home, "HOME=" + home,
                                               "XDG_STATE_HOME=" + home + "/state",
                                               "XDG_DATA_HOME=" + home + "/data"};

    const Usage ours =
        runChild({QUORVANE_CLI_PATH, "--quiet", "--no-history", "--folder", (work / "ours").string(),
                  "--live-duration", std::to_string(seconds), "https://live.douyin.com/899001"},
                 environment, work / "ours");
    const Usage curl = runChild({"curl", "-s", "-o", (work / "curl.flv").string(), "--max-time",
                                 std::to_string(seconds), streamAddress(emulator, room.roomId)},
                                {}, work / "curl.flv");
    emulator.stop();
    std::filesystem::remove_all(work);

    std::printf("recording a 20 Mbit/s HTTP-FLV stream for %d s\n", seconds);
    std::printf("%-14s %10s %12s %12s %8s\n", "", "CPU s", "peak KiB", "MiB", "status");
    for (const auto& [name, usage] : {std::pair{"quorvane-cli", ours}, std::pair{"curl -o", curl}})
        std::printf("%-14s %10.2f %12ld %12.1f %8d\n", name, usage.cpuSeconds, usage.peakKiB,
                    static_cast<double>(usage.bytes) / (1024.0 * 1024.0), usage.status);
    std::printf("ratio (ours / curl): CPU %.2fx, peak memory %.2fx, bytes %.2fx\n",
                curl.cpuSeconds > 0 ? ours.cpuSeconds / curl.cpuSeconds : 0.0,
                curl.peakKiB > 0 ? static_cast<double>(ours.peakKiB) / static_cast<double>(curl.peakKiB)
                                 : 0.0,
                curl.bytes > 0 ? static_cast<double>(ours.bytes) / static_cast<double>(curl.bytes) : 0.0);
    return ours.status == 0 && curl.status == 28 ? 0 : 1; // curl's 28: its time limit ended it
}
