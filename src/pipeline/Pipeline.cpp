#include "pipeline/Pipeline.h"

#include "pipeline/ControlNames.h"
#include "pipeline/DownloadJob.h"
#include "pipeline/Downloads.h"
#include "pipeline/FileNaming.h"
#include "pipeline/FixedTexts.h"
#include "pipeline/ShareLinkIntake.h"
#include "pipeline/ShortLinks.h"
#include "pipeline/TimeFormats.h"
#include "pipeline/VideoDetail.h"

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

    VideoInfo info;
    info.link = link;
    info.videoId = GetVideoId(link, m_platform);
    // An empty answer or one without the video's item is a failed parse as much as a missing id: the
    // boxes stay empty, the prefix keeps its value and nothing is downloaded.
    std::optional<JsonDocument> detail;
    if (!info.videoId.empty())
        detail = FetchVideoDetail(info.videoId, m_platform);
    if (!detail) {
        m_lastParse = info;
        m_window.showMessageBox(texts::toText(texts::parseFailed), texts::toText(texts::messageCaption));
        return;
    }

    info.playAddress = detail->GetText(playAddressPath);
    m_window.setControlText(controls::playAddress, info.playAddress);
    info.musicAddress = detail->GetText(musicAddressPath);
    m_window.setControlText(controls::musicAddress, info.musicAddress);
    info.title = detail->GetText(titlePath);
    m_window.setControlText(controls::title, info.title);
    info.createTime = detail->GetText(createTimePath);
    m_timePrefix = MakeTimePrefix(info.createTime);
    info.succeeded = true;
    m_lastParse = info;

    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::parseDone);
    if (m_window.isChecked(controls::autoDownload))
        downloadToTarget(m_window.controlText(controls::playAddress), ".mp4");
}

void Pipeline::DownloadMusic()
{
    if (m_window.controlText(controls::musicAddress).empty())
        return;
    WaitPumping(m_window, m_pauseMilliseconds);
    showBalloon(texts::musicDownloading);
    if (!m_window.isChecked(controls::autoDownload))
        return;
    downloadToTarget(m_window.controlText(controls::musicAddress), ".mp3");
}

bool Pipeline::downloadToTarget(const Text& url, const char* extension)
{
    const Text path = BuildTargetPath(m_window, m_timePrefix, extension);
    const bool ok = DownloadWithCleanup(DownloadContext{m_window, *m_job, m_platform}, url, path);
    m_lastDownload = DownloadOutcome{url, path, ok};
    showBalloon(ok ? texts::downloadDone : texts::downloadFailed);
    return ok;
}

} // namespace quorvane
