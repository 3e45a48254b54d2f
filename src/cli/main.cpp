// quorvane-cli: the link-to-video pipeline for scripts and terminals. It calls the pipeline's core
// directly (parsePost, the naming rules, the downloader) on its own thread: no window, no pauses.
#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "base/platform/Console.h"
#include "base/platform/Paths.h"
#include "cli/CliOptions.h"
#include "cli/DownloadArchive.h"
#include "cli/HistoryListing.h"
#include "cli/LinkRecorder.h"
#include "cli/ListRun.h"
#include "cli/LiveRun.h"
#include "cli/SubscriptionCommands.h"
#include "cli/TerminalOutput.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/naming/NameTemplate.h"
#include "pipeline/post/BatchInput.h"
#include "pipeline/post/LinkIntake.h"
#include "pipeline/post/MediaPlan.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/Settings.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/subscriptions/Subscription.h"
#include "pipeline/subscriptions/SubscriptionChecker.h"
#include "pipeline/tasks/ListQueue.h"
#include "pipeline/tasks/TaskSettings.h"
#include "script/JsonOut.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
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

void writeFileList(JsonOut& out, const std::vector<std::string>& paths)
{
    out.beginArray();
    for (const std::string& path : paths)
        out.string(path);
    out.endArray();
}

void writeStringOrNull(JsonOut& out, const std::optional<std::string>& text)
{
    if (text)
        out.string(*text);
    else
        out.null();
}

// Makes the folders that a name template's "/" asks for below the save folder. The save folder itself
// must exist, as for the window; a folder that cannot be made fails the download with its reason.
void makeSubfolders(const std::string& folder, const std::string& path)
{
    const std::filesystem::path saveFolder = folder.empty() ? userDownloadFolder() : pathFromUtf8(folder);
    std::error_code ignored;
    if (std::filesystem::is_directory(saveFolder, ignored))
        std::filesystem::create_directories(pathFromUtf8(path).parent_path(), ignored);
}

// Where and how files are named, fixed for the whole run.
struct Naming
{
    std::string folder; // UTF-8
    NameTemplate nameTemplate = NameTemplate::standard(false);
};

class Run
{
public:
    Run(const CliOptions& options, Naming naming, PlatformSettings platform, LiveSettings live,
        HistoryStore* history, std::filesystem::path settingsPath)
        : m_options(options), m_naming(std::move(naming)), m_platform(std::move(platform)),
          m_live(std::move(live)), m_history(history), m_settingsPath(std::move(settingsPath)),
          m_out(isatty(STDERR_FILENO) != 0, TerminalOutput::coloursWanted(), options.quiet)
    {
        if (options.downloadArchive)
            m_archive.emplace(pathFromUtf8(*options.downloadArchive));
    }

    bool anyParseFailed = false;
    bool anyDownloadFailed = false;

    void handle(const std::string& argument)
    {
        const std::optional<std::string> found = shareLinkIn(argument);
        if (!found) {
            // Shown as the share-text reading saw it: stray bytes as U+FFFD.
            finish({}, {}, std::nullopt,
                   parseFailedLine(std::string(reasons::notAShareText) + "：" +
                                   TerminalOutput::terminalText(CharsetConverter::utf8ToText(argument))),
                   nullptr);
            return;
        }
        const LinkIntake intake = takeInLink(*found, m_platform, &m_cancel);
        if (intake.room) {
            const LiveRun::Status status = LiveRun(m_options, m_naming.folder, m_naming.nameTemplate,
                                                   m_platform, m_live, m_out, m_history)
                                               .record(*found, *intake.room);
            (status == LiveRun::Failed ? anyDownloadFailed : anyParseFailed) = status != LiveRun::Recorded;
            return;
        }
        if (intake.isList()) {
            listRun(*intake.target);
            return;
        }
        std::optional<LinkRecorder> record; // in the history, from the moment the link is known
        if (m_history)
            record.emplace(*m_history, *found);
        finish(*found, parseTakenPost(*found, intake, m_platform), std::move(record), {}, nullptr);
    }

    // A post of a list, parsed by the list's reading.
    ListPostEnd handleListPost(const ListPlace& place, const std::string& link, ParseOutcome outcome)
    {
        anyParseFailed = anyDownloadFailed = false;
        std::optional<LinkRecorder> record;
        if (m_history)
            record.emplace(*m_history, link, &place);
        const bool archived = outcome.post && m_archive && m_archive->contains(outcome.post->id);
        finish(link, std::move(outcome), std::move(record), {}, &place);
        return anyDownloadFailed ? ListPostEnd::DownloadFailed
               : anyParseFailed  ? ListPostEnd::ParseFailed
               : archived        ? ListPostEnd::Skipped
                                 : ListPostEnd::Saved;
    }

    // One check of a followed list or room: a list's posts up to the first one saved before, a live
    // room recorded when it is live (a room that is not is no failure of the check).
    SubscriptionCheck checkSubscription(const Subscription& subscription)
    {
        anyParseFailed = anyDownloadFailed = false;
        if (subscription.kind == SubscriptionKind::Live) {
            const bool byRoom = subscription.id.starts_with("room:");
            const LiveLink room{byRoom ? LiveLink::Kind::RoomId : LiveLink::Kind::WebRid,
                                byRoom ? subscription.id.substr(5) : subscription.id,
                                {}};
            LiveRun run(m_options, m_naming.folder, m_naming.nameTemplate, m_platform, m_live, m_out,
                        m_history);
            const LiveRun::Status status = run.record(subscription.link, room);
            if (status == LiveRun::NotRecorded)
                return {run.wasNotLive() ? "" : "直播间无法读取", {}};
            return {status == LiveRun::Failed ? "录制失败" : "", {}};
        }
        const LinkKind kind = subscription.kind == SubscriptionKind::Creator      ? LinkKind::Creator
                              : subscription.kind == SubscriptionKind::Collection ? LinkKind::Collection
                                                                                  : LinkKind::Music;
        listRun(LinkTarget{kind, subscription.id}, true);
        if (anyDownloadFailed)
            return {"有作品下载失败", {}};
        return {anyParseFailed ? "列表不完整或有作品解析失败" : "", {}};
    }

private:
    // `untilSaved`: paging stops at the first post saved before, as a subscription's check reads a list.
    void listRun(const LinkTarget& list, bool untilSaved = false)
    {
        std::string error;
        std::optional<ListLimits> limits =
            ListRun::limitsFrom(m_options, ListRun::localDay(nowSeconds()), error);
        if (!limits) {
            m_out.printError("quorvane-cli: " + error);
            anyParseFailed = true;
            return;
        }
        limits->breakOnExisting = limits->breakOnExisting || untilSaved;
        // Read for each list: the named cookies must be readable, and a cookie the user saved in the
        // meantime counts.
        const std::optional<CookieJar> cookies = ListRun::loginCookies(m_options, error);
        if (!error.empty()) {
            m_out.printError("quorvane-cli: " + error);
            anyParseFailed = true;
            return;
        }
        ListRun run(m_options, m_platform, ListSettings::fromIni(IniFile::load(m_settingsPath)), *limits,
                    m_out, cookies ? &*cookies : nullptr);
        const int status =
            run.run(list, {[this](const std::string& id) {
                               return ListRun::savedBefore(id, m_archive ? &*m_archive : nullptr, m_history);
                           },
                           [this](const ListPlace& place, const std::string& link, ParseOutcome outcome) {
                               return handleListPost(place, link, std::move(outcome));
                           }});
        anyParseFailed = status == parseFailed;
        anyDownloadFailed = status == downloadFailed;
    }

    // Saves and reports one post (or the failure that came before it).
    void finish(const std::string& link, ParseOutcome outcome, std::optional<LinkRecorder> record,
                std::string error, const ListPlace* place)
    {
        std::optional<std::string> videoFile, musicFile;
        std::vector<std::string> imageFiles;
        std::vector<std::string> liveVideoFiles;
        if (!link.empty()) {
            if (record && outcome.ok())
                record->parsed(*outcome.post);
            // A list's whole item asked no detail source: nothing to tell.
            if (m_options.verbose && !(place && outcome.ok() && outcome.attempts.empty())) {
                reportSources(outcome);
                if (outcome.post && !outcome.post->qualityNote.empty())
                    m_out.printError(TerminalOutput::terminalLine(outcome.post->qualityNote));
            }
            if (!outcome.ok())
                error = parseFailedLine(TerminalOutput::terminalLine(outcome.failure.reason));
        }
        if (!error.empty()) {
            anyParseFailed = true;
            m_out.printError(error);
            // Every source's word on the post, for whoever wants the details.
            if (!outcome.failure.unavailableReason.empty())
                m_out.printError("作品无法获取：" +
                                 TerminalOutput::terminalLine(outcome.failure.unavailableReason));
        } else if (const std::string& id = outcome.post->id; m_archive && m_archive->contains(id)) {
            // Saved before, by us or by yt-dlp: none of its files is asked for.
            if (!m_options.json)
                std::cout << "已在下载存档中：douyin " << TerminalOutput::terminalLine(id) << std::endl;
        } else {
            const ParsedPost& post = *outcome.post;
            const MediaPlan plan = MediaPlan::of(post);
            const bool failedBefore = anyDownloadFailed;
            anyDownloadFailed = false;
            for (const MediaFile& file : m_options.noDownload ? std::vector<MediaFile>() : plan.files) {
                const std::optional<std::string> saved = save(post, file, error, place);
                if (!saved)
                    continue;
                if (file.kind == MediaFile::Kind::Video)
                    videoFile = saved;
                else
                    (file.kind == MediaFile::Kind::Image ? imageFiles : liveVideoFiles).push_back(*saved);
            }
            if (m_options.music) {
                if (plan.music.addresses.empty()) {
                    anyDownloadFailed = true;
                    error = downloadFailedLine("没有音乐地址");
                    m_out.printError(error);
                } else {
                    musicFile = save(post, plan.music, error, place);
                }
            }
            if (m_archive && !m_options.noDownload && !anyDownloadFailed && !m_archive->add(id))
                m_out.printError("无法写入下载存档：" +
                                 TerminalOutput::terminalLine(*m_options.downloadArchive));
            anyDownloadFailed = anyDownloadFailed || failedBefore;
        }
        const ParsedPost empty;
        const ParsedPost& post = outcome.post ? *outcome.post : empty;
        std::vector<std::string> files;
        if (videoFile)
            files.push_back(*videoFile);
        files.insert(files.end(), imageFiles.begin(), imageFiles.end());
        files.insert(files.end(), liveVideoFiles.begin(), liveVideoFiles.end());
        if (musicFile)
            files.push_back(*musicFile);
        if (record)
            record->finish(files, error);
        if (m_options.json) {
            // Members in name order, as the lines have always had them.
            JsonOut line;
            line.beginObject();
            line.key("author").string(post.author);
            line.key("create_time").string(post.createTime);
            line.key("detail_source").string(post.source ? post.source : "");
            writeStringOrNull(line.key("error"), error.empty() ? std::nullopt : std::optional(error));
            writeFileList(line.key("files"), files);
            writeFileList(line.key("image_files"), imageFiles);
            line.key("link").string(link);
            if (place) {
                line.key("list").beginObject();
                line.key("id").string(place->id);
                line.key("index").int64(static_cast<std::int64_t>(place->index));
                line.key("kind").string(listKindName(place->kind));
                line.key("name").string(place->name);
                line.endObject();
            }
            writeFileList(line.key("live_video_files"), liveVideoFiles);
            writeStringOrNull(line.key("music_file"), musicFile);
            line.key("music_url").string(post.musicAddress);
            line.key("play_url").string(post.playAddress);
            line.key("quality").string(post.quality);
            line.key("time_prefix").string(post.timePrefix);
            line.key("title").string(post.title);
            writeStringOrNull(line.key("video_file"), videoFile);
            line.key("video_id").string(outcome.post ? post.id : outcome.failure.videoId);
            line.endObject();
            std::cout << line.text() << std::endl;
        } else if (outcome.post) {
            std::cout << TerminalOutput::terminalLine(post.title) << "\n";
            if (!post.playAddress.empty())
                std::cout << "  " << TerminalOutput::terminalLine(post.playAddress) << "\n";
            const auto fileLine = [this](const std::string& file) {
                if (m_present.count(file))
                    std::cout << "已存在：" << TerminalOutput::terminalLine(file) << "\n";
                else
                    std::cout << "  -> " << TerminalOutput::terminalLine(file) << "\n";
            };
            for (const std::optional<std::string>& file : {videoFile, musicFile}) {
                if (file)
                    fileLine(*file);
            }
            for (const std::string& image : imageFiles)
                fileLine(image);
            for (const std::string& video : liveVideoFiles)
                fileLine(video);
            std::cout.flush();
        }
    }

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
                std::string("来源 ") + attempt.label + "：" +
                TerminalOutput::terminalLine(report.asked.empty() ? "（未询问）" : report.asked) +
                " -> 状态 " + std::to_string(report.status) + "，" + std::to_string(report.bytes) +
                " 字节，" +
                TerminalOutput::terminalLine(report.outcome.empty() ? "有作品，已采用" : report.outcome));
        }
    }

    std::optional<std::string> save(const ParsedPost& post, const MediaFile& file, std::string& error,
                                    const ListPlace* place)
    {
        NameFields fields{post.timePrefix, post.title, post.id, post.author};
        std::string folder = m_naming.folder;
        if (place) {
            fields.list = place->name;
            fields.index = std::to_string(place->index);
            // A list's files go into a folder named after it, unless the name template places them.
            if (!m_options.output) {
                const std::filesystem::path saveFolder =
                    folder.empty() ? userDownloadFolder() : pathFromUtf8(folder);
                std::error_code ignored;
                if (std::filesystem::is_directory(saveFolder, ignored)) {
                    folder = utf8FromPath(saveFolder / pathFromUtf8(listFolderName(place->name)));
                    std::filesystem::create_directories(pathFromUtf8(folder), ignored);
                }
            }
        }
        const std::string path = m_naming.nameTemplate.targetPath(folder, fields, file.suffix);
        if (m_naming.nameTemplate.hasSubfolders())
            makeSubfolders(folder, path);
        // Expired addresses are renewed by parsing the post's link again once.
        const TransferResult result = saveMediaFile(
            file, path, post.link, m_platform,
            [this](const TransferProgress& p) { m_out.progress(p.received, p.total); }, m_cancel);
        m_out.clearProgress();
        if (result.ok()) {
            if (result.alreadyPresent)
                m_present.insert(path);
            return path;
        }
        anyDownloadFailed = true;
        // The file that was not saved is named too, so that a script learns which one failed.
        error = downloadFailedLine(result, TerminalOutput::terminalLine(path));
        m_out.printError(error);
        return std::nullopt;
    }

    const CliOptions& m_options;
    Naming m_naming;
    PlatformSettings m_platform;
    LiveSettings m_live;
    HistoryStore* m_history;
    std::filesystem::path m_settingsPath;
    TerminalOutput m_out;
    std::atomic<bool> m_cancel{false};
    std::optional<DownloadArchive> m_archive;
    std::set<std::string> m_present; // files that were there already
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

    if (options->history || options->clearHistory)
        return HistoryListing::command(*options);

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
    naming.folder = options->folder ? *options->folder : CharsetConverter::textToUtf8(settings.saveFolder);
    if (!options->output)
        naming.nameTemplate =
            NameTemplate::standard(options->titleOnly || settings.timeFormat == TimeFormat::DownloadTime);

    PlatformSettings platform = PlatformSettings::load(file.path());
    if (options->connections)
        platform.connections = *options->connections;
    if (options->quality)
        platform.quality = *options->quality;
    // Every link is recorded unless the settings or this run say otherwise; a history that cannot be
    // opened is told and the run goes on without it.
    std::unique_ptr<HistoryStore> history;
    if (!options->noHistory && TaskSettings::historyOn(file)) {
        std::string notice;
        history = HistoryStore::open(HistoryStore::defaultPath(), &notice);
        if (!notice.empty() && !(options->quiet && history))
            std::fprintf(stderr, "quorvane-cli: %s\n", notice.c_str());
    }
    Run run(*options, naming, platform, LiveSettings::read(file), history.get(), file.path());
    if (options->subscriptionCommand())
        return SubscriptionCommands::run(*options, platform, [&run](const Subscription& subscription) {
            return run.checkSubscription(subscription);
        });
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
