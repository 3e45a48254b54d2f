#pragma once

#include "base/Text.h"
#include "pipeline/sources/VideoDetail.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// base64(AES-128-CBC(key = iv = the web id's first 16 bytes, PKCS#7(token))): the proof of the share page
// that the iteminfo request carries. std::nullopt when the web id is shorter than 16 bytes or the cipher
// fails.
std::optional<std::string> reflowId(std::string_view webId, std::string_view token);

// A web id from the web-id service ("https://<web-id host>/webid"), for a share page that carries none;
// empty when the service gives none. `pageUrl` is the page it is for.
std::string webIdFromService(const std::string& pageUrl, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel, TransferResult& transfer, SourceReport& report);

// "https://<share host>/web/api/v2/aweme/iteminfo/?reflow_source=reflow_page&web_id=<web id>&device_id=<web
// id>&aid=1128&from_ssr=1&item_ids=<id>&reflow_id=<reflow id, percent-encoded>&scene_from=share_reflow&
// use_new_select_scope=0", with "&user_cip=<address>" when one is given.
std::string reflowItemInfoUrl(const Text& id, const std::string& webId, const std::string& reflowIdText,
                              const std::string& userCip, const PlatformSettings& platform);

// The reflow source: the share page as an iPhone's browser, its web id (or one from the web-id service
// at "https://<web-id host>/webid"), its token, and the iteminfo request with the reflow id, the page as
// Referer. The item is `item_list[0]` of the answer, brought into the web detail API's shape.
DetailAnswer fetchFromReflow(const VideoReference& reference, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel);

} // namespace quorvane
