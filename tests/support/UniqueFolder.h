#pragma once

#include <filesystem>
#include <string_view>

namespace quorvane::test {

// Creates a new, empty folder in the system's temporary folder whose name starts with `prefix` and ends
// in a random suffix, and returns its path. Throws std::runtime_error when it cannot.
std::filesystem::path createUniqueFolder(std::string_view prefix);

} // namespace quorvane::test
