// quorvane-cli: the link-to-video pipeline for scripts and terminals.
#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "pipeline/ControlNames.h"
#include "pipeline/Pipeline.h"
#include "pipeline/ShareLinkIntake.h"
#include "pipeline/VideoDetail.h"
#include "pipeline/cli/CliOptions.h"
#include "pipeline/cli/ConsoleWindow.h"

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

Text fromUtf8(const char* utf8)
{
    return CharsetConverter::utf8ToText(utf8);
}

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

// Balloons reach a terminal only; a file that was not saved is named in every case, so that a script
// learns which one its exit status is about.
void reportFailedDownload(ConsoleWindow& window, const DownloadOutcome& outcome)
{
    window.printError("下载失败：" + ConsoleWindow::terminalText(outcome.path));
}

// One line per detail source asked: what it asked, the status and size of the answer, and why it was
// passed over, so that a user can tell which source broke.
void reportSources(ConsoleWindow& window, const VideoInfo& info)
{
    if (info.videoId.empty()) {
        window.printError("来源：短链接没有给出作品 id，未询问任何来源");
        return;
    }
    for (const DetailResult::Attempt& attempt : info.detailAttempts) {
        const SourceReport& report = attempt.report;
        const std::string line = std::string("来源 ") + attempt.source + "：" +
                                 (report.asked.empty() ? std::string("（未询问）") : report.asked) +
                                 " -> 状态 " + std::to_string(report.status) + "，" +
                                 std::to_string(report.bytes) + " 字节，" +
                                 (report.outcome.empty() ? std::string("有作品，已采用") : report.outcome);
        window.printError(ConsoleWindow::terminalText(fromUtf8(line.c_str())));
    }
}

// Downloads the music of the current result; the music button downloads only while automatic download
// is on, so it is switched on for the click.
std::optional<Text> downloadMusic(Pipeline& pipeline, ConsoleWindow& window, bool& failed)
{
    if (window.controlText(controls::musicAddress).empty()) {
        window.printError("没有音乐地址，未下载音乐");
        failed = true;
        return std::nullopt;
    }
    const bool autoDownload = window.isChecked(controls::autoDownload);
    window.setChecked(controls::autoDownload, true);
    pipeline.clearReports();
    pipeline.DownloadMusic();
    window.setChecked(controls::autoDownload, autoDownload);
    const auto& outcome = pipeline.lastDownload();
    if (!outcome || !outcome->succeeded) {
        failed = true;
        if (outcome)
            reportFailedDownload(window, *outcome);
        return std::nullopt;
    }
    return outcome->path;
}

} // namespace

int main(int argc, char** argv)
{
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

    const IniFile settings = IniFile::load(ConfigPaths::settingsFile());
    const Text savedFolder = settings.value(fromUtf8("保存目录"), fromUtf8("保存目录"));
    const bool savedTitleOnly =
        settings.value(fromUtf8("时间格式"), fromUtf8("时间格式")) == fromUtf8("下载时间");

    ConsoleWindow window(isatty(STDERR_FILENO) != 0);
    window.setControlText(controls::saveFolder,
                          options->folder ? CharsetConverter::utf8ToText(*options->folder) : savedFolder);
    const bool titleOnly = options->titleOnly || savedTitleOnly;
    window.setChecked(controls::titleOnly, titleOnly);
    window.setChecked(controls::timeAndTitle, !titleOnly);
    window.setChecked(controls::autoDownload, !options->noDownload);

    PlatformSettings platform = PlatformSettings::fromIni(settings);
    if (options->quality)
        platform.quality = *options->quality;
    Pipeline pipeline(window, platform);
    bool anyParseFailed = false;
    bool anyDownloadFailed = false;
    for (const std::string& argument : options->texts) {
        const Text text = CharsetConverter::utf8ToText(argument);
        pipeline.clearReports();
        std::optional<Text> videoFile;
        std::optional<Text> musicFile;
        std::vector<Text> imageFiles;
        std::vector<Text> liveVideoFiles;
        VideoInfo info;
        if (!LooksLikeShareText(text)) {
            window.printError("不是抖音的分享文本或链接：" + ConsoleWindow::terminalText(text));
            anyParseFailed = true;
        } else {
            window.setControlText(controls::shareLink, text);
            pipeline.ParseButtonClicked();
            if (pipeline.lastParse())
                info = *pipeline.lastParse();
            if (options->verbose)
                reportSources(window, info);
            if (!info.succeeded) {
                anyParseFailed = true;
                if (!info.unavailableReason.empty())
                    window.printError("作品无法获取：" + ConsoleWindow::terminalText(info.unavailableReason));
            } else if (!options->noDownload && info.imagePost) {
                // An image post saves its images instead of a video; each one that failed fails the run.
                for (const DownloadOutcome& image : pipeline.lastImageDownloads()) {
                    if (image.succeeded) {
                        imageFiles.push_back(image.path);
                    } else {
                        anyDownloadFailed = true;
                        reportFailedDownload(window, image);
                    }
                }
                if (pipeline.lastImageDownloads().size() != info.imageAddresses.size())
                    anyDownloadFailed = true;
                for (const DownloadOutcome& video : pipeline.lastLiveVideoDownloads()) {
                    if (video.succeeded) {
                        liveVideoFiles.push_back(video.path);
                    } else {
                        anyDownloadFailed = true;
                        reportFailedDownload(window, video);
                    }
                }
            } else if (!options->noDownload) {
                const auto& outcome = pipeline.lastDownload();
                if (outcome && outcome->succeeded) {
                    videoFile = outcome->path;
                } else {
                    anyDownloadFailed = true;
                    if (outcome)
                        reportFailedDownload(window, *outcome);
                }
            }
            if (info.succeeded && options->music)
                musicFile = downloadMusic(pipeline, window, anyDownloadFailed);
        }
        if (options->json) {
            std::vector<Text> files;
            if (videoFile)
                files.push_back(*videoFile);
            files.insert(files.end(), imageFiles.begin(), imageFiles.end());
            files.insert(files.end(), liveVideoFiles.begin(), liveVideoFiles.end());
            if (musicFile)
                files.push_back(*musicFile);
            const nlohmann::json line = {
                {"link", toUtf8(info.link)},
                {"video_id", toUtf8(info.videoId)},
                {"play_url", toUtf8(info.playAddress)},
                {"music_url", toUtf8(info.musicAddress)},
                {"title", toUtf8(info.title)},
                {"create_time", toUtf8(info.createTime)},
                {"time_prefix", info.succeeded ? toUtf8(pipeline.TimePrefix()) : std::string()},
                {"video_file", fileField(videoFile)},
                {"music_file", fileField(musicFile)},
                {"image_files", fileList(imageFiles)},
                {"live_video_files", fileList(liveVideoFiles)},
                {"files", fileList(files)},
                {"detail_source", info.detailSource ? info.detailSource : ""},
            };
            std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
        } else if (info.succeeded) {
            std::cout << ConsoleWindow::terminalText(info.title) << "\n";
            if (!info.playAddress.empty())
                std::cout << "  " << ConsoleWindow::terminalText(info.playAddress) << "\n";
            if (videoFile)
                std::cout << "  -> " << ConsoleWindow::terminalText(*videoFile) << "\n";
            for (const Text& image : imageFiles)
                std::cout << "  -> " << ConsoleWindow::terminalText(image) << "\n";
            for (const Text& video : liveVideoFiles)
                std::cout << "  -> " << ConsoleWindow::terminalText(video) << "\n";
            if (musicFile)
                std::cout << "  -> " << ConsoleWindow::terminalText(*musicFile) << "\n";
            std::cout.flush();
        }
    }
    if (anyParseFailed)
        return parseFailed;
    return anyDownloadFailed ? downloadFailed : allDone;
}
