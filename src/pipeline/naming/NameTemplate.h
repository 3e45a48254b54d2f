#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// What a file name is made of: the publish-time prefix, the title, the post's id and its author's
// nickname (all as the pipeline holds them; they are cleaned here).
// The texts a name is made of, in UTF-8.
struct NameFields
{
    std::string timePrefix;
    std::string title;
    std::string id;
    std::string author;
    std::string list;  // the name of the list the post came from; empty for a post on its own
    std::string index; // its place in that list ("3"); empty for a post on its own
};

// A file-name template such as "{time}{title}" or "抖音/{id} {title}": literal text with the fields
// {time}, {title}, {id}, {author}, {list} and {index} (a list's name and the post's place in it, empty
// for a post on its own); "/" makes sub-folders of the save folder. The extension (or an image's
// "_<n>.jpg") is added behind it. A template never names anything outside the save folder.
class NameTemplate
{
public:
    // Reads a template given in UTF-8. Refused, with the reason in `error`: an empty template, one that
    // starts with "/" (a path of its own), "." or ".." or empty parts between separators, an unknown or
    // unclosed field, control characters, and a template without any field (every post would get the
    // same name).
    static std::optional<NameTemplate> parse(std::string_view utf8, std::string& error);

    // The default file name: "{time}{title}", or "{title}" by title only.
    static NameTemplate standard(bool titleOnly);

    // The name below the save folder in UTF-8: title, id, author and suffix cleaned as titles are
    // (CleanFileName), the author cut to 96 bytes,
    // the time prefix as the default file name keeps it; no "/" reaches the name from a field. `suffix` goes
    // behind the last part. Every part fits maxFileNameBytes:
    // the title gives way first, at a character boundary, the suffix stays whole. A part that would be
    // empty, "." or ".." gets a leading "_" (as the default file name does), so the result cannot climb out
    // of the folder either.
    std::string relativeName(const NameFields& fields, std::string_view suffix) const;

    // `folder` (the download folder when empty), "/", relativeName. Like composeTargetPath, the folder
    // text is used as it is.
    std::string targetPath(std::string_view folder, const NameFields& fields, std::string_view suffix) const;

    // True when the template makes sub-folders, which must exist before a download.
    bool hasSubfolders() const { return m_parts.size() > 1; }

private:
    struct Piece
    {
        enum Kind
        {
            Literal,
            Time,
            Title,
            Author,
            Id,
            List,
            Index
        } kind;
        std::string literal; // UTF-8, Literal only
    };
    using Part = std::vector<Piece>;

    std::vector<Part> m_parts; // separated by "/"
};

} // namespace quorvane
