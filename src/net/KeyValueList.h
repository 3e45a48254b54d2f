#pragma once

#include "base/Text.h"

#include <vector>

namespace quorvane {

// An ordered list of name/value pairs that renders as a header block, a query or form body, or a flat JSON
// object. Names may repeat (lookups take the first) and may be empty. Copying copies every pair.
class KeyValueList
{
public:
    // Appends a pair; with `asUtf8`, name and value are stored as UTF-8 bytes.
    void Add(const Text& name, const Text& value, bool asUtf8 = false);

    // Adds one pair per "&"-separated piece: the name before the first "=", the value after the last "="
    // (a=b=c gives a/c). A piece without "=" adds an empty pair. No percent-decoding.
    void ParseQuery(const Text& query, bool asUtf8 = false);

    // Value of the first pair named `name`, or empty.
    Text Get(const Text& name) const;

    // Replaces the value of the first pair named `name`, or appends the pair; returns the stored value.
    Text Set(const Text& name, const Text& value);

    // name=value&name=value; with `encode`, names and values are percent-encoded (unreserved kept).
    Text ToQueryText(bool encode = false) const;

    // "name: value" lines joined by "\r\n", none after the last; with `encode`, only values are encoded.
    Text ToHeaderText(bool encode = false) const;

    // Replace the caller's list with copies of the names / values, in order.
    void Names(std::vector<Text>& names) const;
    void Values(std::vector<Text>& values) const;

    void Clear();

    // Removes the first pair named `name`; an absent name changes nothing.
    void Remove(const Text& name);

    // {"name":"value",...} in pair order; only double quotes in values are escaped. Empty list: {}.
    Text ToJsonText() const;

    // Every double quote preceded by a backslash; nothing else is escaped.
    static Text EscapeJsonValue(const Text& text);

    // Cuts one `affix` off the end, then one off the start of what is left, each only when present. The
    // result is stored back into `text` and returned. An empty affix changes nothing.
    static Text StripAffix(Text& text, TextView affix);

private:
    std::vector<Text> m_names;
    std::vector<Text> m_values;
};

} // namespace quorvane
