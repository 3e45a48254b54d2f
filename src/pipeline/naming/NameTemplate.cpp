#include "pipeline/naming/NameTemplate.h"
#include "base/platform/Paths.h"

#include "pipeline/naming/FileNaming.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::size_t maxAuthorBytes = 96;

// The longest prefix of a UTF-8 text of at most `maxBytes` bytes that ends between two characters.
std::string cutAtCharacter(const std::string& utf8, std::size_t maxBytes)
{
    if (utf8.size() <= maxBytes)
        return utf8;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end; // back to the first byte of the character that does not fit
    return utf8.substr(0, end);
}

// A field without "/" and control bytes.
std::string safeField(std::string_view text)
{
    std::string utf8(text);
    std::erase_if(utf8, [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == '/' || b < 0x20 || b == 0x7F;
    });
    return utf8;
}

// Titles, ids and extensions are cleaned as the default file name cleans titles.
std::string cleanField(std::string_view text)
{
    return safeField(cleanFileNameUtf8(text));
}

bool hasControlCharacter(std::string_view utf8)
{
    return std::any_of(utf8.begin(), utf8.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

} // namespace

std::optional<NameTemplate> NameTemplate::parse(std::string_view utf8, std::string& error)
{
    const auto refuse = [&error](std::string reason) {
        error = std::move(reason);
        return std::optional<NameTemplate>();
    };
    if (utf8.empty())
        return refuse("the name template is empty");
    if (utf8.front() == '/')
        return refuse("the name template \"" + std::string(utf8) +
                      "\" is a path of its own; names stay inside the save folder");
    if (hasControlCharacter(utf8))
        return refuse("the name template holds control characters");

    NameTemplate result;
    bool anyField = false;
    std::size_t start = 0;
    while (start <= utf8.size()) {
        const std::size_t slash = std::min(utf8.find('/', start), utf8.size());
        const std::string_view part = utf8.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return refuse("the name template \"" + std::string(utf8) + "\" has the part \"" +
                          std::string(part) + "\"; names stay inside the save folder");
        Part pieces;
        std::size_t i = 0;
        while (i < part.size()) {
            if (part[i] != '{') {
                const std::size_t next = std::min(part.find('{', i), part.size());
                pieces.push_back({Piece::Literal, std::string(part.substr(i, next - i))});
                i = next;
                continue;
            }
            const std::size_t close = part.find('}', i);
            if (close == std::string_view::npos)
                return refuse("unclosed field in the name template: " + std::string(part.substr(i)));
            const std::string_view name = part.substr(i + 1, close - i - 1);
            if (name == "time")
                pieces.push_back({Piece::Time, {}});
            else if (name == "title")
                pieces.push_back({Piece::Title, {}});
            else if (name == "id")
                pieces.push_back({Piece::Id, {}});
            else if (name == "author")
                pieces.push_back({Piece::Author, {}});
            else if (name == "list")
                pieces.push_back({Piece::List, {}});
            else if (name == "index")
                pieces.push_back({Piece::Index, {}});
            else
                return refuse("unknown field {" + std::string(name) +
                              "} in the name template (known: {time}, "
                              "{title}, {id}, {author}, {list}, {index})");
            anyField = true;
            i = close + 1;
        }
        result.m_parts.push_back(std::move(pieces));
        start = slash + 1;
    }
    if (!anyField)
        return refuse("the name template \"" + std::string(utf8) +
                      "\" has no field, so every post would get the same name; use {time}, {title} or {id}");
    return result;
}

NameTemplate NameTemplate::standard(bool titleOnly)
{
    std::string error;
    return *parse(titleOnly ? "{title}" : "{time}{title}", error);
}

std::string NameTemplate::relativeName(const NameFields& fields, std::string_view suffix) const
{
    // The time prefix keeps its space, as in the default file name.
    const std::string time = safeField(fields.timePrefix);
    const std::string title = cleanField(fields.title);
    const std::string id = cleanField(fields.id);
    // A nickname is short; a hostile one must not push the title out.
    const std::string author = cutAtCharacter(cleanField(fields.author), maxAuthorBytes);
    const std::string suffix8 = cleanField(suffix);
    // The list's name is a creator's nickname or a title: cut like the author, so the title keeps room.
    const std::string list = cutAtCharacter(cleanField(fields.list), maxAuthorBytes);
    const std::string index = cleanField(fields.index);

    std::string name;
    for (std::size_t p = 0; p < m_parts.size(); ++p) {
        const bool last = p + 1 == m_parts.size();
        // Everything but the title is fixed; the titles share what is left of the part's bytes.
        std::size_t fixed = last ? suffix8.size() : 0;
        std::size_t titles = 0;
        for (const Piece& piece : m_parts[p]) {
            switch (piece.kind) {
            case Piece::Literal:
                fixed += piece.literal.size();
                break;
            case Piece::Time:
                fixed += time.size();
                break;
            case Piece::Id:
                fixed += id.size();
                break;
            case Piece::Author:
                fixed += author.size();
                break;
            case Piece::List:
                fixed += list.size();
                break;
            case Piece::Index:
                fixed += index.size();
                break;
            case Piece::Title:
                ++titles;
                break;
            }
        }
        const std::string fittedTitle = titles == 0 || fixed >= maxFileNameBytes
                                            ? std::string()
                                            : cutAtCharacter(title, (maxFileNameBytes - fixed) / titles);
        std::string part;
        for (const Piece& piece : m_parts[p]) {
            switch (piece.kind) {
            case Piece::Literal:
                part += piece.literal;
                break;
            case Piece::Time:
                part += time;
                break;
            case Piece::Id:
                part += id;
                break;
            case Piece::Author:
                part += author;
                break;
            case Piece::List:
                part += list;
                break;
            case Piece::Index:
                part += index;
                break;
            case Piece::Title:
                part += fittedTitle;
                break;
            }
        }
        if (last && suffix8.size() >= maxFileNameBytes) {
            part = cutAtCharacter(suffix8, maxFileNameBytes); // only a suffix that alone is too long is cut
        } else if (last) {
            // The extension is what opens the file: it is kept whole when anything must go.
            part = cutAtCharacter(part, maxFileNameBytes - suffix8.size()) + suffix8;
        } else {
            part = cutAtCharacter(part, maxFileNameBytes);
        }
        // A part must name something in its folder, not the folder itself or its parent.
        if (part.empty() || part == "." || part == "..")
            part.insert(0, "_");
        if (!name.empty())
            name += '/';
        name += part;
    }
    return name;
}

std::string NameTemplate::targetPath(std::string_view folder, const NameFields& fields,
                                     std::string_view suffix) const
{
    std::string folderText(folder);
    if (folderText.empty())
        folderText = utf8FromPath(userDownloadFolder());
    return folderText + "/" + relativeName(fields, suffix);
}

} // namespace quorvane
