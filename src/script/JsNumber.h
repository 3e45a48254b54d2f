#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Numbers as a JavaScript engine writes and reads them.
class JsNumber
{
public:
    // Number.prototype.toString: the shortest digits that read back as the same double, in plain
    // notation from 1e-7 up to below 1e21 and in exponent form ("1e+21", "1.5e-7") outside; "NaN",
    // "Infinity", "-Infinity"; negative zero is "0".
    static std::string toText(double value);

    // The number written with "%.13g", as the numeric literal that SetNumber stores.
    static std::string toG13(double value);

    // A numeric text read as a number: surrounding blanks allowed, then a decimal number with optional
    // sign, fraction and exponent; nothing else (no "inf", "nan" or hex).
    static std::optional<double> fromText(std::string_view text);
};

} // namespace quorvane
