#include "pipeline/lists/ReflowListDoor.h"

#include "net/Encoding.h"
#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ReflowPage.h"
#include "pipeline/sources/ReflowSource.h"

#include <memory>

namespace quorvane {

namespace {

std::string phoneHeaders(const std::string& referer)
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::phoneAgent);
    if (!referer.empty())
        headers.Add("Referer", referer);
    return headers.ToHeaderText();
}

// What the creator's page gave, for every page of posts after it.
struct ReflowSession
{
    bool opened = false;
    std::string failure; // why the page gave no proof; the door stays closed
    std::string webId;
    std::string proof;
};

} // namespace

ListDoor reflowCreatorDoor(const std::string& secUid, const PlatformSettings& platform)
{
    auto session = std::make_shared<ReflowSession>();
    const std::string pageUrl = "https://" + platform.effectiveMobileHost() + "/share/user/" + secUid;
    ListDoor door{"reflow", listDoorLabel("reflow"), {}};
    door.page = [session, secUid, pageUrl, platform](const std::string& cursor,
                                                     const std::atomic<bool>* cancel) {
        DoorPage out;
        if (!session->opened) {
            session->opened = true;
            const ByteSet html = getForSource(pageUrl, phoneHeaders(std::string()), platform, out.transfer,
                                              &out.report, cancel);
            const ReflowPage page = ReflowPage::read(toByteString(html));
            if (!out.transfer.ok())
                session->failure = describeTransfer(out.transfer);
            else if (page.token.empty())
                session->failure = "主页没有回流令牌（xsstoken）";
            std::string webId = page.webId;
            if (session->failure.empty() && webId.empty()) {
                webId = webIdFromService(pageUrl, platform, cancel, out.transfer, out.report);
                if (webId.empty())
                    session->failure = "主页没有 web id，web id 服务也没有给出";
            }
            if (session->failure.empty()) {
                const std::optional<std::string> proof = reflowId(webId, page.token);
                if (proof) {
                    session->webId = webId;
                    session->proof = *proof;
                } else {
                    session->failure = "无法计算回流 id（加密失败）";
                }
            }
        }
        if (!session->failure.empty()) {
            out.passOver = session->failure;
            return out;
        }
        const std::string url = "https://" + platform.effectiveMobileHost() +
                                "/web/api/v2/aweme/post/?reflow_source=reflow_page&sec_uid=" + secUid +
                                "&max_cursor=" + (cursor.empty() ? "0" : cursor) +
                                "&count=" + std::to_string(listPageCount) + "&web_id=" + session->webId +
                                "&device_id=" + session->webId +
                                "&reflow_id=" + UrlEncode(toByteSet(session->proof), true);
        DoorPage page = askForListPage(url, phoneHeaders(pageUrl), platform, cancel);
        // The creator page's request, made for the first page, is told with it.
        if (!out.report.asked.empty())
            page.report.asked = out.report.asked + "; " + page.report.asked;
        return page;
    };
    return door;
}

} // namespace quorvane
