#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What a share page carries for the reflow request since the post itself left the page: the web id and
// the viewer's address from `<div id="douyin_reflow_webId" webid=".." usercip="..">`, the token from
// `<div id="douyin_reflow_token" xsstoken="..">` (attribute names in any letter case, values in double,
// single or no quotes), the web id otherwise from `"webId":"<digits>"` in the page's router data. Only
// values of the expected form are kept: a web id of 16 to 32 digits (its first 16 bytes are the cipher
// key), a token of printable ASCII, an address of digits, hex digits, "." and ":".
struct ReflowPage
{
    std::string webId;
    std::string userCip;
    std::string token;

    static ReflowPage read(std::string_view html);
};

// The attributes of the first start tag whose id attribute is `id` (compared ignoring letter case), names
// in lower case; std::nullopt when the page has no such tag. Values are taken as the page writes them (no
// character references are decoded).
std::optional<std::map<std::string, std::string>> tagAttributesById(std::string_view html,
                                                                    std::string_view id);

} // namespace quorvane
