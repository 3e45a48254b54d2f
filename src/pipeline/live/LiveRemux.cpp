#include "pipeline/live/LiveRemux.h"

#include "base/platform/Paths.h"
#include "base/platform/RunProgram.h"

#include <filesystem>

namespace quorvane {

bool remuxAvailable()
{
    return programOnPath("ffmpeg");
}

RemuxOutcome remuxToMp4(const std::string& flvPath)
{
    RemuxOutcome outcome{flvPath, {}};
    const std::filesystem::path flv = pathFromUtf8(flvPath);
    std::filesystem::path mp4 = flv;
    mp4.replace_extension(".mp4");
    std::error_code error;
    if (std::filesystem::exists(mp4, error)) {
        outcome.note = "转为 MP4：" + utf8FromPath(mp4) + " 已存在，保留 FLV";
        return outcome;
    }
    // "file:" keeps a path that starts with "-" or looks like an address a path to ffmpeg.
    const std::optional<int> status =
        runProgram({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-n", "-i", "file:" + flvPath,
                    "-c", "copy", "-movflags", "+faststart", "file:" + utf8FromPath(mp4)});
    const bool made =
        std::filesystem::is_regular_file(mp4, error) && std::filesystem::file_size(mp4, error) > 0;
    if (status == 0 && made) {
        std::filesystem::remove(flv, error);
        outcome.file = utf8FromPath(mp4);
        return outcome;
    }
    std::filesystem::remove(mp4, error); // ours: nothing was there before
    outcome.note = status ? "转为 MP4 失败（ffmpeg 状态 " + std::to_string(*status) + "），保留 FLV"
                          : std::string("转为 MP4 失败：ffmpeg 无法运行，保留 FLV");
    return outcome;
}

} // namespace quorvane
