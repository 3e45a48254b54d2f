#pragma once

#include "base/Text.h"
#include "pipeline/WindowPort.h"

#include <string>

namespace quorvane {

// Where the pipeline talks to. Empty members mean the real platform and the system's trusted roots.
// Read from the settings file, section "平台" (keys "网页主机", "分享主机", "证书文件").
struct PlatformSettings
{
    std::string webHost;   // the detail request's host, with an optional port
    std::string shareHost; // host of the share-page fallbacks
    std::string caFile;    // PEM bundle of trusted roots, used instead of the system's
};

// The link-to-video pipeline: the handlers the main window calls, over the window it is given.
class Pipeline
{
public:
    explicit Pipeline(WindowPort& window, PlatformSettings platform = {});
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
};

} // namespace quorvane
