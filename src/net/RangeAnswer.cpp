#include "net/RangeAnswer.h"

#include "base/AsciiCase.h"
#include "base/TextOps.h"
#include "net/HeaderText.h"

#include <charconv>

namespace quorvane {

std::optional<ContentRange> ContentRange::parse(std::string_view text)
{
    if (!text.starts_with("bytes "))
        return std::nullopt;
    text.remove_prefix(6);
    const auto read = [&text](std::int64_t& value, char stopAt) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end == text.data())
            return false;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (stopAt == 0)
            return text.empty();
        if (text.empty() || text.front() != stopAt)
            return false;
        text.remove_prefix(1);
        return true;
    };
    ContentRange range;
    if (read(range.first, '-') && read(range.last, '/') && read(range.total, 0) && 0 <= range.first &&
        range.first <= range.last && range.last < range.total)
        return range;
    return std::nullopt;
}

void RangeAnswer::takeHeaderLine(std::string_view line)
{
    if (line.starts_with("HTTP/")) {
        const long keep = status;
        *this = RangeAnswer();
        status = keep;
        return;
    }
    line = trimAsciiWhitespace(line);
    const Text name = HeaderName(line);
    if (name.empty())
        return;
    const std::string value(trimAsciiWhitespace(line.substr(line.find(':') + 1)));
    if (equalsIgnoringAsciiCase(name, "Content-Range"))
        contentRange = value;
    else if (equalsIgnoringAsciiCase(name, "ETag"))
        etag = value;
    else if (equalsIgnoringAsciiCase(name, "Last-Modified"))
        lastModified = value;
}

std::string RangeAnswer::strongEtag() const
{
    return etag.starts_with("W/") ? std::string() : etag;
}

FirstAnswerPlan classifyFirstAnswer(const RangeAnswer& answer, std::int64_t askedFrom,
                                    const ResumeRecord* record, std::optional<std::int64_t> targetSize)
{
    if (answer.status == 416)
        return {FirstAnswerKind::RangesRefused};
    const std::optional<ContentRange> range =
        answer.status == 206 ? ContentRange::parse(answer.contentRange) : std::nullopt;
    if (range) {
        const std::string etag = answer.strongEtag();
        if (record && (range->total != record->size || (!record->etag.empty() && etag != record->etag) ||
                       (record->etag.empty() && answer.lastModified != record->lastModified)))
            return {FirstAnswerKind::StartOver};
        if (targetSize == range->total)
            return {FirstAnswerKind::AlreadyPresent, range->total};
        if (range->first != askedFrom)
            return {FirstAnswerKind::UnexpectedRange};
        return {FirstAnswerKind::Segments, range->total, range->first};
    }
    if (answer.status >= 200 && answer.status < 300) {
        if (record) // the validator no longer matches (or ranges went away): from the start
            return {FirstAnswerKind::StartOver};
        if (answer.contentLength >= 0 && targetSize == answer.contentLength)
            return {FirstAnswerKind::AlreadyPresent, answer.contentLength};
        return {FirstAnswerKind::Stream, answer.contentLength > 0 ? answer.contentLength : 0};
    }
    return {FirstAnswerKind::Failed};
}

LaterAnswerKind classifyLaterAnswer(const RangeAnswer& answer, std::int64_t askedFrom, std::int64_t total,
                                    const std::string& etag, const std::string& lastModified)
{
    const std::optional<ContentRange> range =
        answer.status == 206 ? ContentRange::parse(answer.contentRange) : std::nullopt;
    const bool sameFile =
        range && range->total == total &&
        (etag.empty() ? lastModified.empty() || answer.lastModified == lastModified : answer.etag == etag);
    if (!sameFile)
        return LaterAnswerKind::FileChanged;
    return range->first == askedFrom ? LaterAnswerKind::SameFile : LaterAnswerKind::UnexpectedRange;
}

} // namespace quorvane
