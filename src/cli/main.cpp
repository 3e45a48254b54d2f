// quorvane-cli: the link-to-video pipeline for scripts and terminals. It calls the pipeline's core
// directly (parsePost, the naming rules, the downloader) on its own thread: no window, no pauses.
#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/platform/Console.h"
#include "base/platform/Paths.h"
#include "cli/CliOptions.h"
#include "cli/DownloadArchive.h"
#include "cli/TerminalOutput.h"
#include "pipeline/post/BatchInput.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/naming/NameTemplate.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/settings/Settings.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/post/ShareLinkIntake.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
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

// Makes the folders that a name template's "/" asks for below the save folder. The save folder itself
// must exist, as for the window; a folder that cannot be made fails the download with its reason.
void makeSubfolders(const Text& folder, const Text& path)
{
    const std::filesystem::path saveFolder =
        folder.empty() ? userDownloadFolder() : pathFromUtf8(CharsetConverter::textToUtf8(folder));
    std::error_code ignored;
    if (std::filesystem::is_directory(saveFolder, ignored))
        std::filesystem::create_directories(pathFromUtf8(CharsetConverter::textToUtf8(path)).parent_path(),
                                            ignored);
}

// Where and how files are named, fixed for the whole run.
struct Naming
{
    Text folder;
    NameTemplate nameTemplate = NameTemplate::standard(false);
};

class Run
{
public:
    Run(const CliOptions& options, Naming naming, PlatformSettings platform)
        : m_options(options), m_naming(std::move(naming)), m_platform(std::move(platform)),
          m_out(isatty(STDERR_FILENO) != 0, TerminalOutput::coloursWanted(), options.quiet)
    {
        if (options.downloadArchive)
            m_archive.emplace(pathFromUtf8(*options.downloadArchive));
    }

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
        } else if (const std::string id = toUtf8(outcome.post->id); m_archive && m_archive->contains(id)) {
            // Saved before, by us or by yt-dlp: none of its files is asked for.
            if (!m_options.json)
                std::cout << "已在下载存档中：douyin " << TerminalOutput::terminalLine(id) << std::endl;
        } else {
            const ParsedPost& post = *outcome.post;
            const bool failedBefore = anyDownloadFailed;
            anyDownloadFailed = false;
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
            if (m_archive && !m_options.noDownload && !anyDownloadFailed && !m_archive->add(id))
                m_out.printError("无法写入下载存档：" +
                                 TerminalOutput::terminalLine(*m_options.downloadArchive));
            anyDownloadFailed = anyDownloadFailed || failedBefore;
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
            const auto fileLine = [this](const Text& file) {
                if (m_present.count(file))
                    std::cout << "已存在：" << TerminalOutput::terminalText(file) << "\n";
                else
                    std::cout << "  -> " << TerminalOutput::terminalText(file) << "\n";
            };
            for (const std::optional<Text>& file : {videoFile, musicFile}) {
                if (file)
                    fileLine(*file);
            }
            for (const Text& image : imageFiles)
                fileLine(image);
            for (const Text& video : liveVideoFiles)
                fileLine(video);
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
        const Text path = m_naming.nameTemplate.targetPath(m_naming.folder,
                                                           {post.timePrefix, post.title, post.id}, extension);
        if (m_naming.nameTemplate.hasSubfolders())
            makeSubfolders(m_naming.folder, path);
        // Which list of a second parse holds this file's fresh addresses: "_<n>.jpg" an image, "_<n>.mp4"
        // its live photo's video, else the video or the music.
        const bool numbered = extension.starts_with("_");
        const bool live = numbered && extension.ends_with(".mp4");
        const bool video = extension == ".mp4";
        const std::size_t index =
            numbered ? static_cast<std::size_t>(std::atoi(extension.c_str() + 1)) - 1 : 0;
        // Expired addresses are renewed by parsing the post's link again once.
        const TransferResult result = DownloadRenewing(
            addresses, path, post.link,
            [numbered, live, video, index](const ParsedPost& again) {
                if (numbered) {
                    const auto& lists = live ? again.liveVideoAddresses : again.imageAddresses;
                    return index < lists.size() ? lists[index] : std::vector<Text>();
                }
                return video ? again.videoAddresses : again.musicAddresses;
            },
            m_platform, [this](std::int64_t r, std::int64_t t) { m_out.progress(r, t); }, m_cancel);
        m_out.clearProgress();
        if (result.ok()) {
            if (result.alreadyPresent)
                m_present.insert(path);
            return path;
        }
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
    std::optional<DownloadArchive> m_archive;
    std::set<Text> m_present; // files that were there already
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

    // Everything that can be refused is refused before the first request.
    Naming naming;
    if (options->output) {
        const std::optional<NameTemplate> chosen = NameTemplate::parse(*options->output, error);
        if (!chosen) {
            std::fprintf(stderr, "quorvane-cli: %s\n", error.c_str());
            return badUsage;
        }
        naming.nameTemplate = *chosen;
    }
    std::vector<std::string> texts = options->texts;
    for (const std::string& name : options->batchFiles) {
        std::ifstream file;
        if (name != "-") {
            file.open(pathFromUtf8(name));
            if (!file) {
                std::fprintf(stderr, "quorvane-cli: cannot read the batch file %s: %s\n", name.c_str(),
                             std::strerror(errno));
                return badUsage;
            }
        }
        for (std::string& text : readBatchTexts(name == "-" ? std::cin : file))
            texts.push_back(std::move(text));
    }

    const SettingsFile file(ConfigPaths::settingsFile());
    const Settings settings = Settings::read(file);
    naming.folder = options->folder ? CharsetConverter::utf8ToText(*options->folder) : settings.saveFolder;
    if (!options->output)
        naming.nameTemplate =
            NameTemplate::standard(options->titleOnly || settings.timeFormat == TimeFormat::DownloadTime);

    PlatformSettings platform = PlatformSettings::load(file.path());
    if (options->connections)
        platform.connections = *options->connections;
    if (options->quality)
        platform.quality = *options->quality;
    Run run(*options, naming, std::move(platform));
    // Each text counts on its own: 3 (a download failed) over 1 (the parse failed) over 0.
    BatchTally tally;
    for (const std::string& text : texts) {
        run.anyParseFailed = false;
        run.anyDownloadFailed = false;
        run.handle(text);
        tally.add(run.anyDownloadFailed ? downloadFailed : run.anyParseFailed ? parseFailed : allDone);
    }
    const bool batch = texts.size() > 1 || !options->batchFiles.empty();
    if (batch && !(options->quiet && tally.exitStatus() == allDone))
        std::fprintf(stderr, "%s\n", tally.summary(options->noDownload).c_str());
    return tally.exitStatus();
}
