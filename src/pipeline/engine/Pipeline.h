#pragma once

#include "net/TransferResult.h"
#include "pipeline/engine/WindowPort.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/post/MediaPlan.h"
#include "pipeline/post/ParsedPost.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/tasks/TaskFiles.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class Engine;
class Scheduler;

// The end of one download.
struct DownloadOutcome
{
    std::string path; // the target path (UTF-8)
    bool succeeded = false;
    TransferResult transfer; // why it failed
};

// The link-to-video pipeline: the handlers the main window calls, over the window it is given. Handlers
// return at once; the network and disk work runs on the engine's thread and its results come back through
// WindowPort::post. Links and music clicks that arrive while earlier ones are handled wait their turn, in
// the order they came: each link is parsed and its files saved before the next link starts, and every
// step a user sees (box texts, balloons and their order, the short pauses, the message box) is as it
// would be for that link alone.
class Pipeline
{
public:
    explicit Pipeline(WindowPort& window, PlatformSettings platform = {});
    // Cancels the running parse or download (no file is left behind), drops the waiting ones and waits for
    // the engine's thread. Nothing is posted to the window afterwards.
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // Click on the parse button.
    void ParseButtonClicked();
    // The window's copy of the clipboard text changed.
    void ClipboardMirrorChanged();
    // Click on the music button.
    void DownloadMusic();

    // The publish-time prefix of the last successful parse.
    const std::string& TimePrefix() const;

    // Parses a bare link: shows the post (the address of the rung the quality setting chooses, the music
    // address, the title) and sets TimePrefix, or shows "解析失败！" with the reason; then, when the window
    // downloads automatically, saves the files of the post's media plan (the video; an image post's images
    // as "<name>_<n>.jpg", and a live photo's video as "<name>_<n>.mp4").
    void ParseShareLink(const std::string& link);

    // True when nothing is being handled or waiting.
    bool idle() const;

    // The last parse (what the parse itself found: the window's boxes are the live copy, which the user
    // may edit), the last video or music download, and the image downloads of the last image post.
    const std::optional<ParseOutcome>& lastParse() const { return m_lastParse; }
    const std::optional<DownloadOutcome>& lastDownload() const { return m_lastDownload; }
    const std::vector<DownloadOutcome>& lastImageDownloads() const { return m_lastImageDownloads; }
    const std::vector<DownloadOutcome>& lastLiveVideoDownloads() const { return m_lastLiveVideoDownloads; }

    // What the pipeline was made with; the program's tests check that the settings file's 平台 keys get here.
    const PlatformSettings& platform() const { return m_platform; }
    // New settings (the settings window changed one) for every parse and download started from now on.
    void setPlatform(PlatformSettings platform) { m_platform = std::move(platform); }

    // With a scheduler (the download list's; not owned, it must outlive the pipeline or be unset first),
    // every download goes to it: the automatic one once the post shows, and the music button's. The next
    // link's parse starts at once, so that links copied in a row download side by side, each recorded in
    // the history; its balloon shows when it ends. Null: downloads run on the pipeline's own engine, one
    // after another.
    void setScheduler(Scheduler* scheduler) { m_scheduler = scheduler; }

private:
    using Done = std::function<void()>;
    // One user request (a link, a music click), started when the one before it has ended; it calls its
    // Done once, at its end.
    using Task = std::function<void(Done)>;

    void enqueue(Task task);
    void startNext();
    // Runs `then` on the GUI thread after `milliseconds` (or at once for 0), unless the pipeline is gone.
    void later(int milliseconds, std::function<void()> then);
    // Runs `job` on the engine; its result goes to `then` on the GUI thread.
    template <typename Result>
    void onEngine(std::function<Result(const std::atomic<bool>&)> job, std::function<void(Result)> then);

    void intake(const std::string& link, const char* balloon);
    void parseSteps(const std::string& link, Done done);
    void showParsed(const ParseOutcome& outcome, Done done);
    // Builds the target path for the file and downloads `url` there, with a balloon on its end. When
    // `url` is still the first of the file's addresses (those the parse found), the others are tried
    // after it; an address the user typed is tried alone.
    void downloadToTarget(const std::string& url, const MediaFile& file, Done done);
    // Saves every file of the last image post's plan beside where its video would go, with one balloon at
    // the end.
    void downloadImages(Done done);
    void downloadImage(std::size_t index, std::vector<std::pair<MediaFile, std::string>> files, Done done);
    void showBalloon(const std::string& text);
    // The user's naming choice as the window has it now.
    TargetNaming naming() const;
    // The link of the last parse when it gave a post (expired addresses are renewed from it); else empty.
    std::string lastLink() const;

    WindowPort& m_window;
    PlatformSettings m_platform;
    std::string m_timePrefix;
    std::optional<ParseOutcome> m_lastParse;
    std::optional<DownloadOutcome> m_lastDownload;
    std::vector<DownloadOutcome> m_lastImageDownloads;
    std::vector<DownloadOutcome> m_lastLiveVideoDownloads;
    // The files of the last successful parse; empty while a parse runs and after one failed.
    MediaPlan m_plan;

    std::deque<Task> m_waiting;
    bool m_busy = false;
    // Posted steps hold a weak copy: once the pipeline is gone, they do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::unique_ptr<Engine> m_engine;
    Scheduler* m_scheduler = nullptr;
    // The window as the scheduler's threads may reach it: cleared (under its lock) when the pipeline goes.
    struct WindowRelay;
    std::shared_ptr<WindowRelay> m_relay;
    // Hands the post's files, or its music, to the scheduler, named from the window's boxes as they are
    // now; the task's end comes back as its balloon.
    void downloadThroughScheduler(TaskFiles files);
};

} // namespace quorvane
