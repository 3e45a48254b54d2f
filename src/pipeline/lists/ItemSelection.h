#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct ParsedItemSelection;

// Which items of a list are wanted, by their 1-based place in it, as `-I`/`--playlist-items` gives
// them: "1-5,8,10-", "1:3", ":4", "2::2" (every second from the 2nd). Ranges include both ends. Places
// counted from the list's end are refused: a list is read page by page and its length is not known
// until its end.
class ItemSelection
{
public:
    // Every item.
    ItemSelection() = default;

    static ParsedItemSelection parse(std::string_view items);

    bool wants(std::size_t index) const;
    // Whether any place at or after `index` is wanted: false lets the paging stop early.
    bool wantsAnyFrom(std::size_t index) const;

private:
    struct Range
    {
        std::size_t first = 1;
        std::size_t last = 0; // 0: open to the list's end
        std::size_t step = 1;
    };
    std::vector<Range> m_ranges; // empty: every item
};

struct ParsedItemSelection
{
    std::optional<ItemSelection> selection;
    std::string error; // why the text was refused, naming the piece
};

} // namespace quorvane
