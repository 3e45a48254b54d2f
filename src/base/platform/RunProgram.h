#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// Runs a program found on PATH with `arguments` (UTF-8; the first is the program's name) and waits for
// it, its standard input closed to it. The exit status, or std::nullopt when it could not be started
// (not found, not runnable) or did not end by itself (a signal). posix_spawnp on Linux, _wspawnvp on
// Windows.
std::optional<int> runProgram(const std::vector<std::string>& arguments);

// Whether `name` names a runnable file in a folder of PATH.
bool programOnPath(const std::string& name);

} // namespace quorvane
