// quorvane-cli: the link-to-video pipeline for scripts and terminals. It calls the pipeline's core
// directly (parsePost, the naming rules, the downloader) on its own thread: no window, no pauses.
#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/platform/Console.h"
#include "cli/CliOptions.h"
#include "cli/TerminalOutput.h"
#include "pipeline/Downloads.h"
#include "pipeline/FileNaming.h"
#include "pipeline/PlatformSettings.h"
#include "pipeline/PostParser.h"
#include "pipeline/Settings.h"
#include "pipeline/SettingsFile.h"
#include "pipeline/ShareLinkIntake.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <unistd.h>

using namespace quorvane;

namespace {

enum ExitStatus
{
    allDone = 0,
    parseFailed = 1,
    badUsage = 2,
    downloadFailed = 3
};

std::string toUtf8(const Text& text)
{
    return CharsetConverter::textToUtf8(text);
}

nlohmann::json fileField(const std::optional<Text>& path)
{
    return path ? nlohmann::json(toUtf8(*path)) : nlohmann::json(nullptr);
}

nlohmann::json fileList(const std::vector<Text>& paths)
{
    nlohmann::json list = nlohmann::json::array();
    for (const Text& path : paths)
        list.push_back(toUtf8(path));
    return list;
}

// Where and how files are named, fixed for the whole run.
struct Naming
{
    Text folder;
    bool titleOnly = false;
};

class Run
{
public:
    Run(const CliOptions& options, Naming naming, PlatformSettings platform)
        : m_options(options), m_naming(std::move(naming)), m_platform(std::move(platform)),
          m_out(isatty(STDERR_FILENO) != 0)
    {}

    bool anyParseFailed = false;
    bool anyDownloadFailed = false;

    void handle(const std::string& argument)
    {
        const Text text = CharsetConverter::utf8ToText(argument);
        ParseOutcome outcome;
        Text link;
        std::optional<Text> videoFile, musicFile;
        std::vector<Text> imageFiles;
        std::vector<Text> liveVideoFiles;
        std::string error;
        if (!LooksLikeShareText(text)) {
            error = std::string("解析失败：") + reasons::notAShareText + "：" +
                    TerminalOutput::terminalText(text);
        } else {
            link = ExtractFirstUrl(text);
            outcome = parsePost(link, m_platform);
            if (m_options.verbose)
                reportSources(outcome);
            if (!outcome.ok())
                error = "解析失败：" + TerminalOutput::terminalLine(outcome.failure.reason);
        }
        if (!error.empty()) {
            anyParseFailed = true;
            m_out.printError(error);
            // Every source's word on the post, for whoever wants the details.
            if (!outcome.failure.unavailableReason.empty())
                m_out.printError("作品无法获取：" +
                                 TerminalOutput::terminalText(outcome.failure.unavailableReason));
        } else {
            const ParsedPost& post = *outcome.post;
            if (!m_options.noDownload && post.imagePost) {
                for (std::size_t i = 0; i < post.imageAddresses.size(); ++i) {
                    const std::string n = "_" + std::to_string(i + 1);
                    if (auto file = save(post, post.imageAddresses[i], n + ".jpg", error))
                        imageFiles.push_back(*file);
                    // A live photo's video goes beside its still.
                    if (i < post.liveVideoAddresses.size() && !post.liveVideoAddresses[i].empty())
                        if (auto file = save(post, post.liveVideoAddresses[i], n + ".mp4", error))
                            liveVideoFiles.push_back(*file);
                }
            } else if (!m_options.noDownload) {
                videoFile = save(post, addressesOf(post.playAddress, post.videoAddresses), ".mp4", error);
            }
            if (m_options.music) {
                if (post.musicAddress.empty() && post.musicAddresses.empty()) {
                    anyDownloadFailed = true;
                    error = "下载失败：没有音乐地址";
                    m_out.printError(error);
                } else {
                    musicFile =
                        save(post, addressesOf(post.musicAddress, post.musicAddresses), ".mp3", error);
                }
            }
        }
        const ParsedPost empty;
        const ParsedPost& post = outcome.post ? *outcome.post : empty;
        if (m_options.json) {
            std::vector<Text> files;
            if (videoFile)
                files.push_back(*videoFile);
            files.insert(files.end(), imageFiles.begin(), imageFiles.end());
            files.insert(files.end(), liveVideoFiles.begin(), liveVideoFiles.end());
            if (musicFile)
                files.push_back(*musicFile);
            const nlohmann::json line = {
                {"link", toUtf8(link)},
                {"video_id", toUtf8(outcome.post ? post.id : outcome.failure.videoId)},
                {"play_url", toUtf8(post.playAddress)},
                {"music_url", toUtf8(post.musicAddress)},
                {"title", toUtf8(post.title)},
                {"create_time", toUtf8(post.createTime)},
                {"time_prefix", toUtf8(post.timePrefix)},
                {"video_file", fileField(videoFile)},
                {"music_file", fileField(musicFile)},
                {"image_files", fileList(imageFiles)},
                {"live_video_files", fileList(liveVideoFiles)},
                {"files", fileList(files)},
                {"detail_source", post.source ? post.source : ""},
                {"error", error.empty() ? nlohmann::json(nullptr) : nlohmann::json(error)},
            };
            std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
        } else if (outcome.post) {
            std::cout << TerminalOutput::terminalText(post.title) << "\n";
            if (!post.playAddress.empty())
                std::cout << "  " << TerminalOutput::terminalText(post.playAddress) << "\n";
            for (const std::optional<Text>& file : {videoFile, musicFile}) {
                if (file)
                    std::cout << "  -> " << TerminalOutput::terminalText(*file) << "\n";
            }
            for (const Text& image : imageFiles)
                std::cout << "  -> " << TerminalOutput::terminalText(image) << "\n";
            for (const Text& video : liveVideoFiles)
                std::cout << "  -> " << TerminalOutput::terminalText(video) << "\n";
            std::cout.flush();
        }
    }

private:
    // One line per detail source asked: what it asked, the status and size of the answer, and why it was
    // passed over, so that a user can tell which source broke.
    void reportSources(const ParseOutcome& outcome)
    {
        if (outcome.attempts.empty()) {
            m_out.printError("来源：未询问任何来源（" + TerminalOutput::terminalLine(outcome.failure.reason) +
                             "）");
            return;
        }
        for (const DetailResult::Attempt& attempt : outcome.attempts) {
            const SourceReport& report = attempt.report;
            m_out.printError(
                std::string("来源 ") + attempt.source + "：" +
                TerminalOutput::terminalLine(report.asked.empty() ? "（未询问）" : report.asked) +
                " -> 状态 " + std::to_string(report.status) + "，" + std::to_string(report.bytes) +
                " 字节，" +
                TerminalOutput::terminalLine(report.outcome.empty() ? "有作品，已采用" : report.outcome));
        }
    }

    // The address the written path read first, then the rest of its list.
    static std::vector<Text> addressesOf(const Text& first, const std::vector<Text>& list)
    {
        if (!list.empty() && list.front() == first)
            return list;
        return first.empty() ? list : std::vector<Text>{first};
    }

    std::optional<Text> save(const ParsedPost& post, const std::vector<Text>& addresses,
                             const std::string& extension, std::string& error)
    {
        const Text path =
            composeTargetPath(m_naming.folder, post.title, post.timePrefix, m_naming.titleOnly, extension);
        const TransferResult result = DownloadWithCleanup(
            addresses, path, m_platform, [this](std::int64_t r, std::int64_t t) { m_out.progress(r, t); },
            m_cancel);
        m_out.clearProgress();
        if (result.ok())
            return path;
        anyDownloadFailed = true;
        // The file that was not saved is named too, so that a script learns which one failed.
        error = "下载失败：" + describeTransfer(result) + "（" + TerminalOutput::terminalText(path) + "）";
        m_out.printError(error);
        return std::nullopt;
    }

    const CliOptions& m_options;
    Naming m_naming;
    PlatformSettings m_platform;
    TerminalOutput m_out;
    std::atomic<bool> m_cancel{false};
};

} // namespace

int main(int argc, char** argv)
{
    quorvane::prepareConsole();
    std::string error;
    const std::optional<CliOptions> options =
        CliOptions::parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "quorvane-cli: %s\n\n%s", error.c_str(), CliOptions::usage());
        return badUsage;
    }
    if (options->help) {
        std::fputs(CliOptions::usage(), stdout);
        return allDone;
    }
    if (options->version) {
        std::printf("quorvane-cli %s\n", QUORVANE_VERSION);
        return allDone;
    }
    // A file-size limit then fails the write with EFBIG (reported as a full disk) instead of killing us.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    const SettingsFile file(ConfigPaths::settingsFile());
    const Settings settings = Settings::read(file);
    Naming naming;
    naming.folder = options->folder ? CharsetConverter::utf8ToText(*options->folder) : settings.saveFolder;
    naming.titleOnly = options->titleOnly || settings.timeFormat == TimeFormat::DownloadTime;

    PlatformSettings platform = PlatformSettings::load(file.path());
    if (options->quality)
        platform.quality = *options->quality;
    Run run(*options, naming, std::move(platform));
    for (const std::string& argument : options->texts)
        run.handle(argument);
    if (run.anyParseFailed)
        return parseFailed;
    return run.anyDownloadFailed ? downloadFailed : allDone;
}
