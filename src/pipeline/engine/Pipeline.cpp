#include "pipeline/engine/Pipeline.h"

#include "pipeline/engine/ControlNames.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/Engine.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/engine/FixedTexts.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/post/ShareLinkIntake.h"

#include <algorithm>
#include <chrono>
#include <string_view>

namespace quorvane {

namespace {

// How often a running download's progress goes to the window at most.
constexpr auto progressInterval = std::chrono::milliseconds(100);

// Progress reports of the engine's thread, thinned out and posted to the window.
UrlDownloader::Progress progressPoster(WindowPort& window, std::weak_ptr<int> alive)
{
    auto last = std::make_shared<std::chrono::steady_clock::time_point>();
    return [&window, alive = std::move(alive), last](std::int64_t received, std::int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        const bool complete = total > 0 && received >= total;
        if (received <= 0 && total <= 0)
            return;
        if (!complete && now - *last < progressInterval)
            return;
        *last = now;
        window.post([&window, alive, received, total] {
            if (alive.lock())
                window.reportProgress(received, total);
        });
    };
}

// "下载失败：<reason>" when there is one.
std::string failedDownloadText(const TransferResult& transfer)
{
    const std::string reason = describeTransfer(transfer);
    return reason.empty() ? std::string(texts::downloadFailed)
                          : std::string(texts::downloadFailed) + "：" + reason;
}

// What a job gives when the engine cannot run it.
template <typename Result> Result refusedResult();

template <> TransferResult refusedResult<TransferResult>()
{
    return TransferResult{TransferError::Other, 0, {}, "no worker thread"};
}

template <> ParseOutcome refusedResult<ParseOutcome>()
{
    ParseOutcome outcome;
    outcome.failure.reason = "无法启动后台线程";
    return outcome;
}

// The balloon at the end of a download: done, already there, or failed with the reason.
std::string doneText(const TransferResult& transfer)
{
    if (!transfer.ok())
        return failedDownloadText(transfer);
    return transfer.alreadyPresent ? texts::alreadyDownloaded : texts::downloadDone;
}

} // namespace

Pipeline::Pipeline(WindowPort& window, PlatformSettings platform)
    : m_window(window), m_platform(std::move(platform)), m_engine(std::make_unique<Engine>())
{
    m_platform.cancel = &m_engine->cancelFlag();
}

Pipeline::~Pipeline()
{
    // Steps already posted find the pipeline gone; the engine then cancels and waits for its thread.
    m_alive.reset();
    m_engine.reset();
}

const Text& Pipeline::TimePrefix() const
{
    return m_timePrefix;
}

bool Pipeline::idle() const
{
    return !m_busy && m_waiting.empty();
}

void Pipeline::clearReports()
{
    m_lastParse.reset();
    m_lastDownload.reset();
    m_lastImageDownloads.clear();
    m_lastLiveVideoDownloads.clear();
}

void Pipeline::showBalloon(const std::string& utf8Text)
{
    m_window.showBalloon(texts::toText(texts::balloonTitle), texts::toText(utf8Text.c_str()),
                         texts::balloonIcon, texts::balloonSeconds);
}

void Pipeline::enqueue(Task task)
{
    m_waiting.push_back(std::move(task));
    if (!m_busy)
        startNext();
}

void Pipeline::startNext()
{
    if (m_waiting.empty()) {
        m_busy = false;
        return;
    }
    m_busy = true;
    Task task = std::move(m_waiting.front());
    m_waiting.pop_front();
    // The next task starts from the event loop, not from inside the one that ended.
    task([this] { later(0, [this] { startNext(); }); });
}

void Pipeline::later(int milliseconds, std::function<void()> then)
{
    std::weak_ptr<int> alive = m_alive;
    m_window.post(
        [alive, then = std::move(then)] {
            if (alive.lock())
                then();
        },
        milliseconds);
}

template <typename Result>
void Pipeline::onEngine(std::function<Result(const std::atomic<bool>&)> job, std::function<void(Result)> then)
{
    std::weak_ptr<int> alive = m_alive;
    WindowPort& window = m_window;
    auto reply = std::make_shared<std::function<void(Result)>>(std::move(then));
    const bool queued =
        m_engine->submit([job = std::move(job), reply, alive, &window](const std::atomic<bool>& cancel) {
            auto result = std::make_shared<Result>(job(cancel));
            window.post([alive, reply, result] {
                if (alive.lock())
                    (*reply)(std::move(*result));
            });
        });
    // Without a worker thread the step fails at once instead of waiting for ever.
    if (!queued)
        later(0, [reply] { (*reply)(refusedResult<Result>()); });
}

void Pipeline::intake(const Text& content, const char* balloon)
{
    // The text as it was when it arrived: the box or the clipboard may hold another by the link's turn.
    enqueue([this, content, balloon](Done done) {
        m_window.setControlText(controls::shareLink, ExtractFirstUrl(content));
        later(m_pauseMilliseconds, [this, balloon, done] {
            showBalloon(balloon);
            parseSteps(m_window.controlText(controls::shareLink), done);
        });
    });
}

void Pipeline::ParseButtonClicked()
{
    const Text content = m_window.controlText(controls::shareLink);
    if (content.empty() || !LooksLikeShareText(content))
        return;
    intake(content, texts::parsingFromButton);
}

void Pipeline::ClipboardMirrorChanged()
{
    if (!m_window.isChecked(controls::watchClipboard))
        return;
    const Text content = m_window.controlText(controls::clipboardMirror);
    if (content.empty() || !LooksLikeShareText(content))
        return;
    intake(content, texts::parsingFromClipboard);
}

void Pipeline::ParseShareLink(const Text& link)
{
    enqueue([this, link](Done done) { parseSteps(link, done); });
}

void Pipeline::parseSteps(const Text& link, Done done)
{
    m_window.setControlText(controls::playAddress, Text());
    m_window.setControlText(controls::musicAddress, Text());
    m_window.setControlText(controls::title, Text());
    m_playAddresses.clear();
    m_musicAddresses.clear();
    m_imageAddresses.clear();
    m_liveVideoAddresses.clear();
    PlatformSettings platform = m_platform;
    onEngine<ParseOutcome>([link, platform](const std::atomic<bool>&) { return parsePost(link, platform); },
                           [this, link, done](ParseOutcome outcome) {
                               if (!outcome.ok()) {
                                   VideoInfo info;
                                   info.link = link;
                                   info.videoId = outcome.failure.videoId;
                                   info.unavailableReason = outcome.failure.unavailableReason;
                                   info.failureReason = outcome.failure.reason;
                                   info.detailAttempts = outcome.attempts;
                                   m_lastParse = info;
                                   std::string message = texts::parseFailed;
                                   if (!outcome.failure.reason.empty())
                                       message += "\n" + outcome.failure.reason;
                                   // The box is modal: the program may end while it is open.
                                   const std::weak_ptr<int> alive = m_alive;
                                   m_window.showMessageBox(texts::toText(message.c_str()),
                                                           texts::toText(texts::messageCaption));
                                   if (alive.expired())
                                       return;
                                   done();
                                   return;
                               }
                               showParsed(outcome, done);
                           });
}

void Pipeline::showParsed(const ParseOutcome& outcome, Done done)
{
    const ParsedPost& post = *outcome.post;
    m_window.setControlText(controls::playAddress, post.playAddress);
    m_window.setControlText(controls::musicAddress, post.musicAddress);
    m_window.setControlText(controls::title, post.title);
    m_timePrefix = post.timePrefix;
    m_playAddresses = post.videoAddresses;
    m_musicAddresses = post.musicAddresses;
    m_imageAddresses = post.imageAddresses;
    m_liveVideoAddresses = post.liveVideoAddresses;

    VideoInfo info;
    info.link = post.link;
    info.videoId = post.id;
    info.playAddress = post.playAddress;
    info.musicAddress = post.musicAddress;
    info.title = post.title;
    info.createTime = post.createTime;
    info.succeeded = true;
    info.imagePost = post.imagePost;
    for (const auto& image : post.imageAddresses)
        info.imageAddresses.push_back(image.empty() ? Text() : image.front());
    for (const auto& video : post.liveVideoAddresses)
        info.liveVideoAddresses.push_back(video.empty() ? Text() : video.front());
    info.detailSource = post.source;
    info.detailAttempts = outcome.attempts;
    m_lastParse = info;

    later(m_pauseMilliseconds, [this, done] {
        showBalloon(texts::parseDone);
        if (!m_window.isChecked(controls::autoDownload))
            return done();
        if (!m_imageAddresses.empty())
            downloadImages(done);
        else
            downloadToTarget(m_window.controlText(controls::playAddress), m_playAddresses, ".mp4", done);
    });
}

void Pipeline::DownloadMusic()
{
    enqueue([this](Done done) {
        if (m_window.controlText(controls::musicAddress).empty())
            return done();
        later(m_pauseMilliseconds, [this, done] {
            showBalloon(texts::musicDownloading);
            if (!m_window.isChecked(controls::autoDownload))
                return done();
            downloadToTarget(m_window.controlText(controls::musicAddress), m_musicAddresses, ".mp3", done);
        });
    });
}

void Pipeline::downloadToTarget(const Text& url, const std::vector<Text>& addresses, const char* extension,
                                Done done)
{
    const Text path = BuildTargetPath(m_window, m_timePrefix, extension);
    const bool fromTheList = !addresses.empty() && url == addresses.front();
    std::vector<Text> tried = fromTheList ? addresses : std::vector<Text>{url};
    // Expired addresses of the parse are renewed by parsing the post again; a typed address is not.
    const Text link = fromTheList && m_lastParse ? m_lastParse->link : Text();
    const bool video = std::string_view(extension) == ".mp4";
    PlatformSettings platform = m_platform;
    auto progress = progressPoster(m_window, m_alive);
    onEngine<TransferResult>(
        [tried, path, link, video, platform, progress](const std::atomic<bool>& cancel) {
            return DownloadRenewing(
                tried, path, link,
                [video](const ParsedPost& post) { return video ? post.videoAddresses : post.musicAddresses; },
                platform, progress, cancel);
        },
        [this, path, done](TransferResult result) {
            m_lastDownload = DownloadOutcome{path, result.ok(), result};
            showBalloon(doneText(result));
            done();
        });
}

void Pipeline::downloadImages(Done done)
{
    m_lastImageDownloads.clear();
    m_lastLiveVideoDownloads.clear();
    // Every name is taken before the first transfer, from this post's title and prefix.
    std::vector<MediaFile> files;
    for (std::size_t i = 0; i < m_imageAddresses.size(); ++i) {
        const std::string n = "_" + std::to_string(i + 1);
        files.push_back({m_imageAddresses[i], BuildTargetPath(m_window, m_timePrefix, n + ".jpg"), false});
        if (i < m_liveVideoAddresses.size() && !m_liveVideoAddresses[i].empty())
            files.push_back(
                {m_liveVideoAddresses[i], BuildTargetPath(m_window, m_timePrefix, n + ".mp4"), true});
    }
    downloadImage(0, std::move(files), done);
}

void Pipeline::downloadImage(std::size_t index, std::vector<MediaFile> files, Done done)
{
    if (index >= files.size()) {
        const DownloadOutcome* failed = nullptr;
        for (const auto* list : {&m_lastImageDownloads, &m_lastLiveVideoDownloads})
            for (const DownloadOutcome& outcome : *list)
                if (!outcome.succeeded && !failed)
                    failed = &outcome;
        // "已下载过" only when every file was there already.
        const auto there = [](const DownloadOutcome& outcome) { return outcome.transfer.alreadyPresent; };
        const bool allThere =
            !m_lastImageDownloads.empty() &&
            std::all_of(m_lastImageDownloads.begin(), m_lastImageDownloads.end(), there) &&
            std::all_of(m_lastLiveVideoDownloads.begin(), m_lastLiveVideoDownloads.end(), there);
        showBalloon(failed     ? failedDownloadText(failed->transfer)
                    : allThere ? std::string(texts::alreadyDownloaded)
                               : std::string(texts::downloadDone));
        return done();
    }
    const std::vector<Text> addresses = files[index].addresses;
    const Text path = files[index].path;
    const bool liveVideo = files[index].liveVideo;
    const Text link = m_lastParse ? m_lastParse->link : Text();
    // The image this file belongs to, for its fresh addresses after a second parse.
    std::size_t image = 0;
    for (std::size_t i = 0; i < index; ++i)
        image += files[i].liveVideo ? 0 : 1;
    if (liveVideo && image > 0)
        --image;
    PlatformSettings platform = m_platform;
    auto progress = progressPoster(m_window, m_alive);
    onEngine<TransferResult>(
        [addresses, path, link, image, liveVideo, platform, progress](const std::atomic<bool>& cancel) {
            return DownloadRenewing(
                addresses, path, link,
                [image, liveVideo](const ParsedPost& post) {
                    const auto& lists = liveVideo ? post.liveVideoAddresses : post.imageAddresses;
                    return image < lists.size() ? lists[image] : std::vector<Text>();
                },
                platform, progress, cancel);
        },
        [this, index, files = std::move(files), path, liveVideo, done](TransferResult result) mutable {
            (liveVideo ? m_lastLiveVideoDownloads : m_lastImageDownloads)
                .push_back(DownloadOutcome{path, result.ok(), result});
            downloadImage(index + 1, std::move(files), done);
        });
}

} // namespace quorvane
