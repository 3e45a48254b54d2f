#pragma once

#include "pipeline/lists/CookieJar.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The user's login cookies for the platform, kept between runs in a private file beside the guest
// session (a cookies.txt the user alone may read), fed by importing a cookies.txt or by a pasted Cookie
// header, and cleared on request. The values are secrets: messages name the file, never its contents.
class CookieStore
{
public:
    enum class State
    {
        Missing, // no cookies stored: the signed doors go without
        Loaded,
        Damaged, // the file is there but cannot be read as cookies; it is kept as it is
    };

    struct Loaded
    {
        State state = State::Missing;
        std::optional<CookieJar> jar; // when Loaded
        std::string message;          // why, when Damaged or unreadable
    };

    struct Outcome
    {
        bool ok = false;
        std::string message; // the failure, or a note on success (a damaged file set aside)
    };

    // A pasted Cookie header ("a=1; b=2", a leading "Cookie:" allowed, line breaks as separators) as
    // cookies of the platform's domain and its hosts, over https, until cleared. Pieces that are no
    // name=value pair a cookie can hold are left out and counted; an error when none is left.
    struct PastedHeader
    {
        std::optional<CookieJar> jar;
        std::size_t skipped = 0;
        std::string error;
    };
    static PastedHeader fromCookieHeader(std::string_view header);

    // $XDG_STATE_HOME/quibexlar/login-cookies.txt (the state folder of the system), beside the guest
    // session's file.
    static std::filesystem::path defaultFile();

    explicit CookieStore(std::filesystem::path file = defaultFile());

    Loaded load() const;
    // Replaces what is stored with `jar`. A file that cannot be read as cookies is not written over: it is
    // set aside as "<name>.damaged" first, and the outcome's message says so.
    Outcome save(const CookieJar& jar) const;
    // Reads a cookies.txt and stores its platform cookies; the stored ones stay when the file cannot be
    // read or holds none of the platform's.
    Outcome importCookiesTxt(const std::filesystem::path& cookiesTxt) const;
    // Stores the cookies of a pasted Cookie header (see fromCookieHeader).
    Outcome importCookieHeader(std::string_view header) const;
    // Removes the stored cookies (a damaged file too).
    Outcome clear() const;

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
};

} // namespace quorvane
