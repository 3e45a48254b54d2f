#include "script/JsonParseError.h"

#include "base/CharsetConverter.h"
#include "script/Utf8Character.h"

#include <algorithm>
#include <string>

namespace quorvane {

ScriptErrorInfo parseErrorInfo(std::string_view utf8, const JsonReader::Failure& failure)
{
    ScriptErrorInfo error;
    error.Number = failure.tooDeep ? ScriptErrorInfo::kNestingTooDeep : ScriptErrorInfo::kSyntaxError;
    error.Source = "JSON";
    error.Description = CharsetConverter::utf8ToText(failure.message);
    const std::size_t offset = std::min(failure.offset, utf8.size());
    const std::size_t lineStart = offset == 0 ? std::string::npos : utf8.rfind('\n', offset - 1);
    const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
    error.Line = static_cast<std::int32_t>(std::count(utf8.begin(), utf8.begin() + from, '\n') + 1);
    error.Column = 1;
    for (std::size_t i = from; i < offset; ++i)
        if (!isUtf8Continuation(utf8[i]))
            ++error.Column;
    const std::size_t lineEnd = std::min(utf8.find('\n', offset), utf8.size());
    std::size_t cutFrom = offset > from + 80 ? offset - 80 : from;
    std::size_t cutTo = std::min(lineEnd, offset + 80);
    while (cutFrom > from && isUtf8Continuation(utf8[cutFrom]))
        --cutFrom;
    while (cutTo < lineEnd && isUtf8Continuation(utf8[cutTo]))
        ++cutTo;
    error.Text = CharsetConverter::utf8ToText(std::string_view(utf8).substr(cutFrom, cutTo - cutFrom));
    return error;
}

} // namespace quorvane
