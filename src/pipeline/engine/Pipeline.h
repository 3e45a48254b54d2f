#pragma once

#include "base/Text.h"
#include "net/TransferResult.h"
#include "pipeline/post/ParsedPost.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/engine/WindowPort.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class Engine;

// The result of one parse. The window's boxes are the live copy of the addresses and the title (the user
// may edit them); this record keeps what the parse itself found, for callers that report it.
struct VideoInfo
{
    Text link;         // the link that was parsed
    Text videoId;      // empty when the link did not resolve
    Text playAddress;  // 编辑框4
    Text musicAddress; // 编辑框5
    Text title;        // 编辑框6
    Text createTime;   // the detail's create time, as text
    bool succeeded = false;
    bool imagePost = false;               // a post of images: no video, the images below
    std::vector<Text> imageAddresses;     // an image post's images: the first address of each
    std::vector<Text> liveVideoAddresses; // beside each image, its live photo's video (empty for a still)
    Text unavailableReason;             // a failed parse: what the platform said about the post, if anything
    std::string failureReason;          // a failed parse: the reason shown to the user (UTF-8)
    const char* detailSource = nullptr; // the detail source that answered (see detailSources())
    std::vector<DetailResult::Attempt> detailAttempts; // every detail source asked, with its report
};

// The end of one download.
struct DownloadOutcome
{
    Text path; // the target path
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

    // Click on the parse button 超级按钮2.
    void ParseButtonClicked();
    // Content of the hidden clipboard mirror 剪贴板 changed.
    void ClipboardMirrorChanged();
    // Click on the music button 超级按钮3.
    void DownloadMusic();

    // The publish-time prefix of the last successful parse.
    const Text& TimePrefix() const;

    // Parses a bare link: fills 编辑框4 (the address of the rung the quality setting chooses) to 编辑框6
    // and TimePrefix, or shows "解析失败！" with the reason; then, with 选择框2 ticked, downloads the video
    // (an image post's images instead, as "<name>_<n>.jpg", and a live photo's video as "<name>_<n>.mp4").
    void ParseShareLink(const Text& link);

    // True when nothing is being handled or waiting.
    bool idle() const;

    // The last parse, the last video or music download, and the image downloads of the last image post,
    // since construction or clearReports().
    const std::optional<VideoInfo>& lastParse() const { return m_lastParse; }
    const std::optional<DownloadOutcome>& lastDownload() const { return m_lastDownload; }
    const std::vector<DownloadOutcome>& lastImageDownloads() const { return m_lastImageDownloads; }
    const std::vector<DownloadOutcome>& lastLiveVideoDownloads() const { return m_lastLiveVideoDownloads; }
    void clearReports();

    const PlatformSettings& platform() const { return m_platform; }

    // The short pause (100 ms) before the pipeline's balloons. Benchmarks that repeat parses set it to 0.
    void setPauseMilliseconds(int milliseconds) { m_pauseMilliseconds = milliseconds; }

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

    void intake(const Text& content, const char* balloon);
    void parseSteps(const Text& link, Done done);
    void showParsed(const ParseOutcome& outcome, Done done);
    // Builds the target path for the extension and downloads `url` there, with a balloon on its end. When
    // `url` is still the first entry of `addresses` (the list the parse found it in), the other entries
    // are tried after it; an address the user typed is tried alone.
    void downloadToTarget(const Text& url, const std::vector<Text>& addresses, const char* extension,
                          Done done);
    // Saves every image of the last image post beside where its video would go, with one balloon at the end.
    // (A live photo's video is saved right after its still.)
    struct MediaFile
    {
        std::vector<Text> addresses;
        Text path;
        bool liveVideo = false;
    };
    void downloadImages(Done done);
    void downloadImage(std::size_t index, std::vector<MediaFile> files, Done done);
    void showBalloon(const std::string& utf8Text);

    WindowPort& m_window;
    PlatformSettings m_platform;
    Text m_timePrefix;
    int m_pauseMilliseconds = 100;
    std::optional<VideoInfo> m_lastParse;
    std::optional<DownloadOutcome> m_lastDownload;
    std::vector<DownloadOutcome> m_lastImageDownloads;
    std::vector<DownloadOutcome> m_lastLiveVideoDownloads;
    // The address lists of the last parse: the play address's, the music address's, and each image's.
    std::vector<Text> m_playAddresses;
    std::vector<Text> m_musicAddresses;
    std::vector<std::vector<Text>> m_imageAddresses;
    std::vector<std::vector<Text>> m_liveVideoAddresses; // one list per image, empty for a still

    std::deque<Task> m_waiting;
    bool m_busy = false;
    // Posted steps hold a weak copy: once the pipeline is gone, they do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::unique_ptr<Engine> m_engine;
};

} // namespace quorvane
