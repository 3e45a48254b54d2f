#pragma once

#include "script/JsonReader.h"
#include "script/ScriptErrorInfo.h"

#include <string_view>

namespace quorvane {

// The error record of a failed parse of `utf8`: where the reader stopped (line, column in characters) and
// a stretch of that line of at most 80 bytes either side, widened to whole characters.
ScriptErrorInfo parseErrorInfo(std::string_view utf8, const JsonReader::Failure& failure);

} // namespace quorvane
