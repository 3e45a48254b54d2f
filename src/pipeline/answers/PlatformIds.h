#pragma once

#include <string_view>

namespace quorvane {

// The forms the platform's ids take. Only such ids go into a request's path or query, or a file name.

// Post, mix and music ids: 1 to 32 digits.
bool isPlainNumberId(std::string_view id);
// A sec_uid: 16 to 160 of the URL-safe base64 characters (A-Z a-z 0-9 - _), not all digits (a numeric
// uid is no sec_uid).
bool isPlainSecUid(std::string_view id);

} // namespace quorvane
