#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace quorvane {

// Largest object findAssignedObject hands out; a page that carries more is not read.
inline constexpr std::size_t maxPageObjectBytes = 8u << 20;

// The text of the object a page's script assigns to `variable` ("variable = {...}"), as UTF-8 bytes of
// the page: from the "{" after the first such assignment to the brace that closes it. Strings in double
// quotes, with their backslash escapes, are skipped whole, so braces inside them do not count. A mention
// of the name that is no assignment (a comparison, a longer name) is passed over. std::nullopt when there
// is no assignment, the object does not close within the page, or it is longer than `maxBytes`. Works on
// any bytes; never reads outside `page`.
std::optional<std::string_view> findAssignedObject(std::string_view page, std::string_view variable,
                                                   std::size_t maxBytes = maxPageObjectBytes);

} // namespace quorvane
