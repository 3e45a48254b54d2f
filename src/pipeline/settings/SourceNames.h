#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quorvane {

// The detail sources, one for each row of detailSourceNames.
enum class SourceId
{
    Web,
    Open,
    Guest,
    Slides,
    Reflow,
    Page
};

// What a detail source is called where: `key` in the settings' source order (section "平台", key
// "来源顺序"), `name` in --json's "detail_source", `label` in --verbose's lines (UTF-8).
struct SourceName
{
    SourceId id;
    const char* key;
    const char* name;
    const char* label;
};

// Every detail source in the order they are tried when the settings name none. The settings' known names,
// the default order and the list of sources (detailSources(), which pairs each row with its request) all
// come from here: a new source is a new row, a new SourceId and its request.
inline constexpr std::array<SourceName, 6> detailSourceNames = {{
    {SourceId::Web, "web", "web detail API", "网页详情接口"},
    {SourceId::Open, "open", "open platform origin", "开放平台来源"},
    {SourceId::Guest, "guest", "guest session", "访客会话"},
    {SourceId::Slides, "slides", "share slides endpoint", "分享图集接口"},
    {SourceId::Reflow, "reflow", "reflow request", "回流接口"},
    {SourceId::Page, "page", "share page", "分享页"},
}};

// Each source once, its row at its id's place, and no key, name or label used twice.
constexpr bool sourceNamesAreDistinct()
{
    for (std::size_t i = 0; i < detailSourceNames.size(); ++i) {
        if (static_cast<std::size_t>(detailSourceNames[i].id) != i)
            return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (std::string_view(detailSourceNames[i].key) == detailSourceNames[j].key ||
                std::string_view(detailSourceNames[i].name) == detailSourceNames[j].name ||
                std::string_view(detailSourceNames[i].label) == detailSourceNames[j].label)
                return false;
        }
    }
    return true;
}
static_assert(sourceNamesAreDistinct());

} // namespace quorvane
