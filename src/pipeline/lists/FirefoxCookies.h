#pragma once

#include "pipeline/lists/CookieJar.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The user's cookies read straight from a browser (`--cookies-from-browser firefox[:PROFILE]`). Only
// Firefox: its store is a plain SQLite file. Firefox holds the file locked while it runs, so the store
// (and its write-ahead log) is copied into a private folder first and the copy is read, read-only, then
// removed. Only the platform's cookies are taken (CookieJar keeps no other). Errors name files and
// profiles, never a cookie.

struct FirefoxCookieOptions
{
    // Where to look for profiles.ini; firefoxProfileFolders() when empty.
    std::vector<std::filesystem::path> profileFolders;
    // Where the private copy is made; the program's folder in the state folder when empty.
    std::filesystem::path workFolder;
};

// The platform's cookies of a Firefox profile. `profile` is empty (the profile Firefox starts with),
// a profile's name as profiles.ini gives it, or the path of a profile's folder.
ParsedCookieJar readFirefoxCookies(std::string_view profile, const FirefoxCookieOptions& options = {});

// The argument of --cookies-from-browser: "firefox" or "firefox:PROFILE" (any letter case) is read; a
// browser of the Chromium family gets chromiumCookiesRefusal; anything else is an unknown browser.
ParsedCookieJar cookiesFromBrowser(std::string_view argument, const FirefoxCookieOptions& options = {});

// Whether `browser` (any letter case) names a browser of the Chromium family (chrome, chromium, edge,
// brave, opera, vivaldi, whale).
bool isChromiumBrowser(std::string_view browser);
// The one line that says why such a browser's cookies are not read, and what to do instead.
std::string chromiumCookiesRefusal(std::string_view browser);

} // namespace quorvane
