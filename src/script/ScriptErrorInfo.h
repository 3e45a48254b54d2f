#pragma once

#include "base/Text.h"

#include <cstdint>

namespace quorvane {

// What went wrong in the last `JsonDocument::Parse` that was asked for it. `Number` is 0 when the call
// raised no error; the fields keep the names of the script engine's error properties they stand for.
struct ScriptErrorInfo
{
    // Error numbers this implementation reports.
    static constexpr std::int32_t kSyntaxError = 1002;
    static constexpr std::int32_t kNestingTooDeep = 1028;

    std::int32_t Number = 0;
    ::quorvane::Text Source;
    ::quorvane::Text Description;
    ::quorvane::Text HelpFile;
    std::int32_t HelpContext = 0;
    ::quorvane::Text Text;   // the line of the input in which the error arose
    std::int32_t Line = 0;   // 1-based
    std::int32_t Column = 0; // 1-based, in characters
};

} // namespace quorvane
