#include "pipeline/engine/Pipeline.h"

#include "pipeline/download/Downloads.h"
#include "pipeline/engine/Engine.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/engine/FixedTexts.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "pipeline/tasks/Scheduler.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace quorvane {

namespace {

// The short pause before the pipeline's balloons.
constexpr int pauseMilliseconds = 100;

// How often a running download's progress goes to the window at most.
constexpr auto progressInterval = std::chrono::milliseconds(100);

// Progress reports of the engine's thread, thinned out and posted to the window.
UrlDownloader::Progress progressPoster(WindowPort& window, std::weak_ptr<int> alive)
{
    auto last = std::make_shared<std::chrono::steady_clock::time_point>();
    return [&window, alive = std::move(alive), last](const TransferProgress& progress) {
        const std::int64_t received = progress.received, total = progress.total;
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
        return downloadFailedLine(transfer);
    return transfer.alreadyPresent ? texts::alreadyDownloaded : texts::downloadDone;
}

} // namespace

struct Pipeline::WindowRelay
{
    explicit WindowRelay(WindowPort* port) : window(port) {}
    std::mutex mutex;
    WindowPort* window;
};

Pipeline::Pipeline(WindowPort& window, PlatformSettings platform)
    : m_window(window), m_platform(std::move(platform)), m_engine(std::make_unique<Engine>()),
      m_relay(std::make_shared<WindowRelay>(&window))
{}

Pipeline::~Pipeline()
{
    // Steps already posted find the pipeline gone; the engine then cancels and waits for its thread.
    m_alive.reset();
    {
        // The scheduler's threads post nothing more to the window.
        std::lock_guard lock(m_relay->mutex);
        m_relay->window = nullptr;
    }
    m_engine.reset();
}

const std::string& Pipeline::TimePrefix() const
{
    return m_timePrefix;
}

bool Pipeline::idle() const
{
    return !m_busy && m_waiting.empty();
}

void Pipeline::showBalloon(const std::string& text)
{
    m_window.showBalloon(texts::balloonTitle, text, texts::balloonIcon, texts::balloonSeconds);
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

void Pipeline::intake(const std::string& link, const char* balloon)
{
    // The link as it was when it arrived: the box or the clipboard may hold another by the link's turn.
    enqueue([this, link, balloon](Done done) {
        m_window.setShareLinkText(link);
        later(pauseMilliseconds, [this, balloon, done] {
            showBalloon(balloon);
            parseSteps(m_window.shareLinkText(), done);
        });
    });
}

void Pipeline::ParseButtonClicked()
{
    if (std::optional<std::string> link = shareLinkIn(m_window.shareLinkText()))
        intake(std::move(*link), texts::parsingFromButton);
}

void Pipeline::ClipboardMirrorChanged()
{
    if (!m_window.watchesClipboard())
        return;
    const std::string content = m_window.clipboardText();
    if (std::optional<std::string> link = shareLinkIn(content))
        intake(std::move(*link), texts::parsingFromClipboard);
}

void Pipeline::ParseShareLink(const std::string& link)
{
    enqueue([this, link](Done done) { parseSteps(link, done); });
}

void Pipeline::parseSteps(const std::string& link, Done done)
{
    m_window.clearPost();
    m_plan = MediaPlan();
    PlatformSettings platform = m_platform;
    onEngine<ParseOutcome>(
        [link, platform](const std::atomic<bool>& cancel) { return parsePost(link, platform, &cancel); },
        [this, done](ParseOutcome outcome) {
            if (!outcome.ok()) {
                m_lastParse = outcome;
                // The box is modal: the program may end while it is open.
                const std::weak_ptr<int> alive = m_alive;
                m_window.showMessageBox(parseFailedBox(outcome.failure.reason), texts::messageCaption);
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
    m_window.showPost(post.playAddress, post.musicAddress, post.title);
    m_timePrefix = post.timePrefix;
    m_plan = MediaPlan::of(post);
    m_lastParse = outcome;

    later(pauseMilliseconds, [this, done] {
        showBalloon(texts::parseDone);
        if (!m_window.downloadsAutomatically())
            return done();
        if (m_scheduler) {
            downloadThroughScheduler(TaskFiles::Post);
            return done();
        }
        if (m_plan.files.empty() || m_plan.files.front().kind != MediaFile::Kind::Video)
            downloadImages(done);
        else
            downloadToTarget(m_window.playAddress(), m_plan.files.front(), done);
    });
}

void Pipeline::DownloadMusic()
{
    enqueue([this](Done done) {
        if (m_window.musicAddress().empty())
            return done();
        later(pauseMilliseconds, [this, done] {
            showBalloon(texts::musicDownloading);
            if (!m_window.downloadsAutomatically())
                return done();
            if (m_scheduler) {
                downloadThroughScheduler(TaskFiles::Music);
                return done();
            }
            downloadToTarget(m_window.musicAddress(), m_plan.music, done);
        });
    });
}

void Pipeline::downloadToTarget(const std::string& url, const MediaFile& file, Done done)
{
    const std::string path = BuildTargetPath(naming(), m_timePrefix, file.suffix);
    MediaFile tried = file;
    tried.addresses = file.startingWith(url);
    // Expired addresses of the parse are renewed by parsing the post again; a typed address is not.
    const bool fromTheParse = !file.addresses.empty() && url == file.addresses.front();
    const std::string link = fromTheParse ? lastLink() : std::string();
    PlatformSettings platform = m_platform;
    auto progress = progressPoster(m_window, m_alive);
    onEngine<TransferResult>(
        [tried, path, link, platform, progress](const std::atomic<bool>& cancel) {
            return saveMediaFile(tried, path, link, platform, progress, cancel);
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
    std::vector<std::pair<MediaFile, std::string>> files;
    for (const MediaFile& file : m_plan.files)
        files.emplace_back(file, BuildTargetPath(naming(), m_timePrefix, file.suffix));
    downloadImage(0, std::move(files), done);
}

void Pipeline::downloadImage(std::size_t index, std::vector<std::pair<MediaFile, std::string>> files,
                             Done done)
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
        showBalloon(failed     ? downloadFailedLine(failed->transfer)
                    : allThere ? std::string(texts::alreadyDownloaded)
                               : std::string(texts::downloadDone));
        return done();
    }
    const MediaFile file = files[index].first;
    const std::string path = files[index].second;
    const bool liveVideo = file.kind == MediaFile::Kind::LiveVideo;
    const std::string link = lastLink();
    PlatformSettings platform = m_platform;
    auto progress = progressPoster(m_window, m_alive);
    onEngine<TransferResult>(
        [file, path, link, platform, progress](const std::atomic<bool>& cancel) {
            return saveMediaFile(file, path, link, platform, progress, cancel);
        },
        [this, index, files = std::move(files), path, liveVideo, done](TransferResult result) mutable {
            (liveVideo ? m_lastLiveVideoDownloads : m_lastImageDownloads)
                .push_back(DownloadOutcome{path, result.ok(), result});
            downloadImage(index + 1, std::move(files), done);
        });
}

void Pipeline::downloadThroughScheduler(TaskFiles files)
{
    // The last parse's post, or none after a failed one: then only an address the user typed is saved,
    // named with the last prefix the window showed.
    const bool parsed = m_lastParse && m_lastParse->post;
    ParsedPost post = parsed ? *m_lastParse->post : ParsedPost();
    post.timePrefix = m_timePrefix;
    if (!parsed)
        post.title = m_window.title(); // what the list shows of it
    // An address the user typed into its box is the file's only one.
    const bool music = files == TaskFiles::Music;
    const std::string typed = music ? m_window.musicAddress() : m_window.playAddress();
    std::string& first = music ? post.musicAddress : post.playAddress;
    std::vector<std::string>& list = music ? post.musicAddresses : post.videoAddresses;
    if ((music || !post.imagePost) && !typed.empty() && (list.empty() || typed != list.front())) {
        first = typed;
        list = {typed};
    }
    const TargetNaming chosen = naming();
    const std::weak_ptr<int> alive = m_alive;
    const std::weak_ptr<WindowRelay> relay = m_relay;
    const auto onEnd = [this, alive, relay](const TaskView& task) {
        // A task cancelled in the list ends without a balloon.
        if (task.record.state == TaskState::Cancelled)
            return;
        const std::string text = task.record.state != TaskState::Done ? task.record.error
                                 : task.alreadyDownloaded             ? texts::alreadyDownloaded
                                                                      : texts::downloadDone;
        const auto shared = relay.lock();
        if (!shared)
            return;
        std::lock_guard lock(shared->mutex);
        if (shared->window)
            shared->window->post([this, alive, text] {
                if (alive.lock())
                    showBalloon(text);
            });
    };
    m_scheduler->addParsed(post, Scheduler::Naming{chosen.folder, chosen.title, chosen.titleOnly}, onEnd,
                           files);
}

TargetNaming Pipeline::naming() const
{
    return {m_window.saveFolder(), m_window.title(), m_window.namesByTitleOnly()};
}

std::string Pipeline::lastLink() const
{
    return m_lastParse && m_lastParse->post ? m_lastParse->post->link : std::string();
}

} // namespace quorvane
