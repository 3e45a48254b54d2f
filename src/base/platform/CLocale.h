#pragma once

#include <string>

namespace quorvane {

// strtod in the C locale, whatever locale the program runs in: the decimal point is always '.', and a
// number out of range gives infinity or zero as strtod does. The whole of `text` is read where it can be.
double strtodInCLocale(const std::string& text);

} // namespace quorvane
