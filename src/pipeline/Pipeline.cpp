#include "pipeline/Pipeline.h"

#include "pipeline/ControlNames.h"
#include "pipeline/DownloadJob.h"
#include "pipeline/Downloads.h"
#include "pipeline/FileNaming.h"
#include "pipeline/FixedTexts.h"
#include "pipeline/RungChoice.h"
#include "pipeline/ShareLinkIntake.h"
#include "pipeline/ShortLinks.h"
#include "pipeline/TimeFormats.h"
#include "pipeline/VideoDetail.h"

#include "base/TextOps.h"

#include <algorithm>

namespace quorvane {

Pipeline::Pipeline(WindowPort& window, PlatformSettings platform)
    : m_window(window), m_platform(std::move(platform)), m_job(std::make_unique<DownloadJob>())
{}

Pipeline::~Pipeline() = default;

const Text& Pipeline::TimePrefix() const
{
    return m_timePrefix;
}

void Pipeline::clearReports()
{
    m_lastParse.reset();
    m_lastDownload.reset();
    m_lastImageDownloads.clear();
    m_lastLiveVideoDownloads.clear();
}

void Pipeline::showBalloon(const char* utf8Text)
{
    m_window.showBalloon(texts::toText(texts::balloonTitle), texts::toText(utf8Text), texts::balloonIcon,
                         texts::balloonSeconds);
}

void Pipeline::ParseButtonClicked()
{
    const Text content = m_window.controlText(controls::shareLink);
    if (content.empty() || !LooksLikeShareText(content))
        return;
    m_window.setControlText(controls::shareLink, ExtractFirstUrl(m_window.controlText(controls::shareLink)));
    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::parsingFromButton);
    ParseShareLink(m_window.controlText(controls::shareLink));
}

void Pipeline::ClipboardMirrorChanged()
{
    if (!m_window.isChecked(controls::watchClipboard))
        return;
    const Text content = m_window.controlText(controls::clipboardMirror);
    if (content.empty() || !LooksLikeShareText(content))
        return;
    m_window.setControlText(controls::shareLink,
                            ExtractFirstUrl(m_window.controlText(controls::clipboardMirror)));
    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::parsingFromClipboard);
    ParseShareLink(m_window.controlText(controls::shareLink));
}

void Pipeline::ParseShareLink(const Text& link)
{
    m_window.setControlText(controls::playAddress, Text());
    m_window.setControlText(controls::musicAddress, Text());
    m_window.setControlText(controls::title, Text());
    m_playAddresses.clear();
    m_musicAddresses.clear();
    m_imageAddresses.clear();
    m_liveVideoAddresses.clear();

    VideoInfo info;
    info.link = link;
    const VideoReference reference = resolveVideoReference(link, m_platform);
    info.videoId = reference.id;
    // An empty answer or one without the post's item, from every source, is a failed parse as much as a
    // missing id: the boxes stay empty, the prefix keeps its value and nothing is downloaded.
    DetailResult detail;
    if (!info.videoId.empty())
        detail = FetchVideoDetail(reference, m_platform);
    info.detailAttempts = detail.attempts;
    if (!detail.document) {
        info.unavailableReason = joinText(detail.unavailableReasons, "; ");
        m_lastParse = info;
        m_window.showMessageBox(texts::toText(texts::parseFailed), texts::toText(texts::messageCaption));
        return;
    }
    const JsonDocument& document = *detail.document;
    info.detailSource = detail.source;
    info.imagePost = isImagePost(document);

    // An image post has no video: its play address would be the background music or nothing.
    if (!info.imagePost && m_platform.quality == VideoQuality::First) {
        // Exactly the written choice: the first address of the first rung.
        info.playAddress = document.GetText(playAddressPath);
        m_playAddresses = addressList(document, playAddressListPath);
    } else if (!info.imagePost) {
        m_playAddresses = chosenVideoAddresses(document, m_platform.quality);
        info.playAddress = m_playAddresses.empty() ? Text() : m_playAddresses.front();
    }
    m_window.setControlText(controls::playAddress, info.playAddress);
    info.musicAddress = document.GetText(musicAddressPath);
    m_musicAddresses = addressList(document, musicAddressListPath);
    m_window.setControlText(controls::musicAddress, info.musicAddress);
    info.title = document.GetText(titlePath);
    m_window.setControlText(controls::title, info.title);
    info.createTime = document.GetText(createTimePath);
    m_timePrefix = MakeTimePrefix(info.createTime);
    if (info.imagePost) {
        const auto count =
            std::min<std::size_t>(static_cast<std::size_t>(document.GetCount(imagesPath)), maxImagesPerPost);
        for (std::size_t i = 0; i < count; ++i) {
            const Text image = Text(imagesPath) + "[" + std::to_string(i) + "]";
            m_imageAddresses.push_back(addressList(document, image + "['url_list']"));
            info.imageAddresses.push_back(m_imageAddresses.back().empty() ? Text()
                                                                          : m_imageAddresses.back()[0]);
            m_liveVideoAddresses.push_back(
                addressList(document, image + "['video']['play_addr']['url_list']"));
            info.liveVideoAddresses.push_back(
                m_liveVideoAddresses.back().empty() ? Text() : m_liveVideoAddresses.back()[0]);
        }
    }
    info.succeeded = true;
    m_lastParse = info;

    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::parseDone);
    if (!m_window.isChecked(controls::autoDownload))
        return;
    // The lists of the latest parse: one started during the pause above has replaced this one's.
    if (!m_imageAddresses.empty())
        downloadImages();
    else
        downloadToTarget(m_window.controlText(controls::playAddress), m_playAddresses, ".mp4");
}

void Pipeline::DownloadMusic()
{
    if (m_window.controlText(controls::musicAddress).empty())
        return;
    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::musicDownloading);
    if (!m_window.isChecked(controls::autoDownload))
        return;
    downloadToTarget(m_window.controlText(controls::musicAddress), m_musicAddresses, ".mp3");
}

void Pipeline::downloadToTarget(const Text& url, const std::vector<Text>& addresses, const char* extension)
{
    const Text path = BuildTargetPath(m_window, m_timePrefix, extension);
    const bool fromTheList = !addresses.empty() && url == addresses.front();
    const bool ok = DownloadWithCleanup(DownloadContext{m_window, *m_job, m_platform},
                                        fromTheList ? addresses : std::vector<Text>{url}, path);
    m_lastDownload = DownloadOutcome{path, ok};
    showBalloon(ok ? texts::downloadDone : texts::downloadFailed);
}

void Pipeline::downloadImages()
{
    m_lastImageDownloads.clear();
    m_lastLiveVideoDownloads.clear();
    // The addresses and every name are taken before the first transfer: a parse started while an image
    // downloads replaces the lists, the title and the prefix, and must not rename the rest of this post.
    const std::vector<std::vector<Text>> images = m_imageAddresses;
    const std::vector<std::vector<Text>> videos = m_liveVideoAddresses;
    std::vector<Text> paths;
    std::vector<Text> videoPaths;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string n = "_" + std::to_string(i + 1);
        paths.push_back(BuildTargetPath(m_window, m_timePrefix, n + ".jpg"));
        videoPaths.push_back(BuildTargetPath(m_window, m_timePrefix, n + ".mp4"));
    }
    bool allSaved = true;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const bool ok =
            DownloadWithCleanup(DownloadContext{m_window, *m_job, m_platform}, images[i], paths[i]);
        m_lastImageDownloads.push_back(DownloadOutcome{paths[i], ok});
        allSaved = allSaved && ok;
        // A live photo's video goes beside its still.
        if (i < videos.size() && !videos[i].empty()) {
            const bool saved =
                DownloadWithCleanup(DownloadContext{m_window, *m_job, m_platform}, videos[i], videoPaths[i]);
            m_lastLiveVideoDownloads.push_back(DownloadOutcome{videoPaths[i], saved});
            allSaved = allSaved && saved;
        }
    }
    showBalloon(allSaved ? texts::downloadDone : texts::downloadFailed);
}

} // namespace quorvane
