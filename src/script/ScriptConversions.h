#pragma once

#include "script/JsonValue.h"

namespace quorvane {

// How a script reads a stored value as a truth value and as a number.

// The truth value an edit returns for the value it stored: a non-zero number, a text that reads as one or
// as "true" (ASCII case ignored, blanks around it allowed), and true itself; never null, undefined, an
// array or an object.
bool scriptTruthOf(const JsonValue& value);

// A number as it is, a numeric text, true as -1 and false as 0, anything else 0.
double scriptNumberOf(const JsonValue& value);

} // namespace quorvane
