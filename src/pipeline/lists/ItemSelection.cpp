#include "pipeline/lists/ItemSelection.h"

#include "base/AsciiBlanks.h"

#include <charconv>

namespace quorvane {

namespace {

// The largest place a selection may name; larger numbers are a typing slip, not a list.
constexpr std::size_t maxPlace = 1'000'000'000;

// A place: digits, 1 to maxPlace. An empty text gives `fallback`.
std::optional<std::size_t> place(std::string_view text, std::size_t fallback, std::string& error,
                                 std::string_view piece)
{
    text = trimSpacesAndTabs(text);
    if (text.empty())
        return fallback;
    if (text.front() == '-') {
        error = "item " + std::string(piece) + ": places counted from the end are not supported";
        return std::nullopt;
    }
    std::size_t value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value > maxPlace) {
        error = "item " + std::string(piece) + ": \"" + std::string(text) + "\" is no place in a list";
        return std::nullopt;
    }
    if (value == 0) {
        error = "item " + std::string(piece) + ": places count from 1";
        return std::nullopt;
    }
    return value;
}

} // namespace

ParsedItemSelection ItemSelection::parse(std::string_view items)
{
    ItemSelection result;
    std::string error;
    if (trimSpacesAndTabs(items).empty())
        return {std::nullopt, "no items given"};
    while (true) {
        const std::size_t comma = items.find(',');
        const std::string_view piece = trimSpacesAndTabs(items.substr(0, comma));
        if (piece.empty())
            return {std::nullopt, "an empty item between commas"};
        Range range;
        const std::size_t colon = piece.find(':');
        // "M-N" is the older form of "M:N"; a leading '-' is a place from the end, refused by place().
        const std::size_t dash = piece.find('-', 1);
        std::optional<std::size_t> first, last, step = 1;
        if (colon != std::string_view::npos) {
            const std::string_view rest = piece.substr(colon + 1);
            const std::size_t second = rest.find(':');
            first = place(piece.substr(0, colon), 1, error, piece);
            last = first ? place(rest.substr(0, second), 0, error, piece) : std::nullopt;
            if (last && second != std::string_view::npos)
                step = place(rest.substr(second + 1), 1, error, piece);
        } else if (dash != std::string_view::npos) {
            first = place(piece.substr(0, dash), 1, error, piece);
            last = first ? place(piece.substr(dash + 1), 0, error, piece) : std::nullopt;
        } else {
            first = place(piece, 0, error, piece);
            last = first;
        }
        if (!first || !last || !step)
            return {std::nullopt, error};
        if (*last != 0 && *last < *first)
            return {std::nullopt, "item " + std::string(piece) + ": the range ends before it starts"};
        range.first = *first;
        range.last = *last;
        range.step = *step;
        result.m_ranges.push_back(range);
        if (comma == std::string_view::npos)
            break;
        items.remove_prefix(comma + 1);
    }
    return {result, {}};
}

bool ItemSelection::wants(std::size_t index) const
{
    if (m_ranges.empty())
        return index >= 1;
    for (const Range& range : m_ranges) {
        if (index >= range.first && (range.last == 0 || index <= range.last) &&
            (index - range.first) % range.step == 0)
            return true;
    }
    return false;
}

bool ItemSelection::wantsAnyFrom(std::size_t index) const
{
    if (m_ranges.empty())
        return true;
    for (const Range& range : m_ranges) {
        if (range.last == 0)
            return true;
        // The last wanted place of a stepped range may lie before its end.
        const std::size_t lastWanted = range.last - (range.last - range.first) % range.step;
        if (lastWanted >= index)
            return true;
    }
    return false;
}

} // namespace quorvane
