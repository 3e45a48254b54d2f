#pragma once

#include <filesystem>
#include <string>

namespace quorvane::test {

// Whether only the user running the test may open the file or folder at `path`. Linux: no permission bits
// for group and others. Windows: a protected DACL (nothing inherited) whose only entry allows the current
// user's SID.
struct UserOnlyCheck
{
    bool userOnly = false;
    bool unsupported = false; // the system cannot report the access (the reason is in `detail`)
    std::string detail;       // what was found, for the failure message
};

UserOnlyCheck checkUserOnly(const std::filesystem::path& path);

// Empty where the system keeps what checkUserOnly looks for; else why not. Windows: a file made in `folder`
// by this function itself with a protected DACL for the user alone must read back so (wine maps a DACL
// onto Unix permission bits and back, and reports neither the protection nor the single entry).
std::string userOnlyUnrepresentable(const std::filesystem::path& folder);

} // namespace quorvane::test
