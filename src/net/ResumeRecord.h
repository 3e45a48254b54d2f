#pragma once

#include "net/RangeSet.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What an interrupted download leaves beside its temporary file so that a later attempt can continue it:
// the file it is for, the address it came from, its size, the server's validators and the ranges that are
// on disk.
//
// The download is identified by its target: the temporary file and this record have names derived from
// the target's file name, and the record repeats that name. The address is kept for the user's benefit
// only, since the platform's addresses carry signatures and expiry times and change between attempts for
// the same file; what makes continuing safe is the validators, sent back as If-Range and compared with
// the size and validators of the answer.
struct ResumeRecord
{
    std::string targetName;   // the target's file name, as bytes
    std::string address;      // the address without its query
    std::int64_t size = 0;    // the whole file's size
    std::string etag;         // a strong ETag as the server sent it (quotes included); empty when none
    std::string lastModified; // Last-Modified as the server sent it; empty when none
    RangeSet done;            // the bytes on disk

    // The text written to disk: one field a line, ended by a checksum of the lines before it.
    std::string serialise() const;
    // Reads a text made by serialise(); nothing for any malformed, inconsistent or damaged text.
    static std::optional<ResumeRecord> parse(std::string_view text);

    // Reads the record at `path`; nothing when it is missing, too large or damaged.
    static std::optional<ResumeRecord> load(const std::filesystem::path& path);
    // Replaces the record at `path` atomically (a sibling file, flushed, then renamed over it).
    bool save(const std::filesystem::path& path) const;

    // The value to send as If-Range: the strong ETag, else the Last-Modified date; empty when neither.
    std::string ifRange() const { return etag.empty() ? lastModified : etag; }

    // Names of the temporary file and of the record beside `target`: the same for every attempt at one
    // target, short whatever the target's length (".<16 hex digits>.quorvane.part" / ".resume").
    static std::string partName(const std::filesystem::path& target);
    static std::string recordName(const std::filesystem::path& target);
};

} // namespace quorvane
