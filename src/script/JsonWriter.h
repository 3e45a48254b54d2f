#pragma once

#include "script/JsonValue.h"

#include <optional>
#include <string>

namespace quorvane {

// Text forms of a value as the script side produced them (UTF-8 in, UTF-8 out).
class JsonWriter
{
public:
    // Compact JSON as JSON.stringify writes it: members in enumeration order, undefined members left out
    // of objects and written as null in arrays, non-finite numbers as null. Strings get the short escapes
    // and a \u escape of four lower-case hex digits for the control and format characters (U+0000-001F,
    // U+007F-009F, U+00AD, U+0600-0604, U+070F, U+17B4-17B5, U+200C-200F, U+2028-202F, U+2060-206F,
    // U+FEFF, U+FFF0-FFFF). Bytes that are no UTF-8 character are written as \ufffd. Nothing for an
    // undefined value.
    static std::optional<std::string> stringify(const JsonValue& value);

    // The value's toString(): a string as it is, numbers in JavaScript form, "[object Object]" for an
    // object, the elements joined with commas for an array (null and undefined elements empty). Nothing
    // for null and undefined, which have no toString().
    static std::optional<std::string> toText(const JsonValue& value);

    // Texts stored in plain mode keep each backslash as U+2400 (protect, JsonValue::storedText); both text
    // forms above turn every U+2400 of such a text back into a backslash (restore), written raw in JSON.
    // Texts that arrived in a document keep their U+2400.
    static std::string protectBackslashes(std::string utf8);
    static void restoreBackslashes(std::string& utf8);

    // Whether a code point is written as a \u escape.
    static bool needsUnicodeEscape(char32_t codePoint);

private:
    static void write(const JsonValue& value, std::string& out);
    static void writeString(const std::string& text, std::string& out, bool standIns);
    static void appendText(const JsonValue& value, std::string& out);
};

} // namespace quorvane
