#pragma once

#include "pipeline/lists/ListDoor.h"

namespace quorvane {

// A creator's posts the way the creator's share page reads them in a phone's browser: the page
// "https://<phone host>/share/user/<sec_uid>" gives a web id (or the web-id service does) and a token, and
// each page of posts is "https://<phone host>/web/api/v2/aweme/post/?reflow_source=reflow_page&sec_uid=…
// &max_cursor=…&count=…&web_id=…&device_id=…&reflow_id=…" with the page as Referer. The page is asked
// for once, before the first page of posts.
ListDoor reflowCreatorDoor(const std::string& secUid, const PlatformSettings& platform);

} // namespace quorvane
