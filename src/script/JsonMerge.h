#pragma once

#include "script/JsonValue.h"

namespace quorvane {

// What passing a value through JSON text gives: undefined members dropped, undefined elements and
// non-finite numbers null.
JsonValue jsonCopy(const JsonValue& value);

// The merge of JsonDocument::SetValue into an existing array or object: an array takes the source's
// elements at its end (a text's characters, as a script enumerates them); an object takes each member of
// the source (an array's elements under their indexes), replacing a missing, null, text, number or
// boolean member and merging into an object or array member. Any other target is left alone.
void mergeJsonValue(JsonValue& target, JsonValue&& source);

} // namespace quorvane
