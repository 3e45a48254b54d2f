#pragma once

#include "base/Text.h"
#include "script/ScriptErrorInfo.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane {

class JsonEngine;

// One JSON value, queried and edited by path. Values behave as a JavaScript engine holds them: numbers are
// doubles (a 19-digit id reads back as the double's shortest form), members enumerate integer-like names
// first, and texts become JavaScript text forms. Every Text in and out is GB18030; the tree keeps UTF-8.
//
// Paths are written relative to the document: a member after a dot (the first may stand without it), a
// member in ['apostrophes'] or ["quotes"], a decimal [index]; the empty path is the document itself. A
// path may also start with the root name "da". Examples: "['aweme_detail'].video['bit_rate'][0]",
// "['aweme_detail'].desc".
//
// Texts stored by SetValue, AppendToArray and SetArrayMember in plain mode keep each backslash as U+2400
// inside the tree. ToJson, GetText, GetArrayMemberText and GetJsonText turn every U+2400 back into a
// backslash (serialised JSON therefore shows such a backslash raw); GetMemberNames and GetLeafValues do
// not, so a protected backslash comes out of them as U+2400.
//
// The bool results of the edits are the value of the edit as a truth value, as the script statements they
// stand for would give it (an assigned non-zero number or a text reading as such is true, an object never);
// they do not report success. A path through a missing member makes every edit false and changes nothing.
//
// A copy shares the tree with the document it was made from, until one of them runs Parse or Initialise.
// Documents are not thread-safe; use each on one thread.
class JsonDocument
{
public:
    // Type codes of GetType.
    static constexpr std::int32_t kTypeMissing = 0; // null, or a missing last member
    static constexpr std::int32_t kTypeBoolean = 1;
    static constexpr std::int32_t kTypeNumber = 2;
    static constexpr std::int32_t kTypeObject = 4;
    static constexpr std::int32_t kTypeArray = 5;
    static constexpr std::int32_t kTypeString = 6;
    static constexpr std::int32_t kTypeInvalid = -1; // a member of a missing member, or a bad path

    // Deepest nesting of arrays and objects a document holds; deeper input or edits fail.
    static constexpr int kMaxDepth = 512;

    // A new document holding an empty object.
    JsonDocument();
    ~JsonDocument();
    JsonDocument(const JsonDocument& other);
    JsonDocument& operator=(const JsonDocument& other);
    JsonDocument(JsonDocument&& other) noexcept;
    JsonDocument& operator=(JsonDocument&& other) noexcept;

    // Starts a fresh tree holding an empty object; copies made earlier keep the old one.
    void Initialise();

    // Loads a JSON text (any JSON value; it is read as data, never run). A fresh tree replaces the old one.
    // True when the document is not null afterwards. On a syntax error or too deep nesting the document is
    // null and `error`, when given, describes the error; on success its Number is 0.
    bool Parse(const Text& text, bool asScriptValue = false, ScriptErrorInfo* error = nullptr);
    // The same for a JSON text that is UTF-8 already (an HTTP answer): read as it is, without the round
    // trip through Text.
    bool parseUtf8(std::string_view utf8, ScriptErrorInfo* error = nullptr);

    // The document becomes an empty object.
    bool Clear();

    // The whole document as compact JSON.
    Text ToJson() const;

    // Plain mode stores `value` as a text. With asJson, `value` is a JSON value: it is merged member by
    // member into an existing object (object and array members are merged into, arrays at their end; any
    // other member takes the new value), and replaces anything else (an empty value leaves the member
    // undefined, unless it merges into an object, where it changes nothing).
    bool SetValue(const Text& path, const Text& value, bool asJson = false);
    // Stores the JSON value `expression` (data only) at the path; an empty expression stores undefined.
    bool SetExpression(const Text& path, const Text& expression);

    // Rewrites `path` into its rooted form ("da..."); true when the value there is neither null nor missing.
    bool ResolvePath(Text& path) const;
    bool Exists(const Text& path) const;
    std::int32_t GetType(const Text& path) const;

    // Plain mode: the value's JavaScript text form ("[object Object]" for an object, the elements joined
    // with commas for an array, empty for null or missing). asJson: the value as compact JSON.
    Text GetText(const Text& path, bool asJson = false) const;
    // The same text form in UTF-8, the tree's own encoding: what the pipeline reads a post with.
    std::string GetUtf8(const Text& path) const;
    // Names of the object's members in enumeration order (none for an array or a leaf), as split at "\r\n".
    std::int32_t GetMemberNames(std::vector<Text>& names, const Text& path) const;
    // Length of an array; 0 for anything else.
    std::int32_t GetCount(const Text& path) const;
    // An independent document holding a copy of the value (a document without value when it is missing).
    JsonDocument GetChild(const Text& path) const;

    // Adds a value to the end (or the front) of the array at the path; a member that is not an array is
    // replaced by a new one first.
    bool AppendToArray(const Text& value, const Text& path, bool asJson = false, bool atFront = false);
    JsonDocument GetArrayChild(std::int32_t index, const Text& path) const;
    // The element's text as GetText gives it.
    Text GetArrayMemberText(std::int32_t index, const Text& path, bool asJson = false) const;
    bool SetArrayMember(std::int32_t index, const Text& path, const Text& value, bool asJson = false);
    // Removes one element (a negative index counts from the end).
    bool RemoveArrayMember(std::int32_t index, const Text& path);
    bool Delete(const Text& path);

    // Stores the number as "%.13g" formats it.
    bool SetNumber(const Text& path, double number);
    // The value as a number (a numeric text is read, true is -1, anything else 0).
    double GetNumber(const Text& path) const;
    Text GetJsonText(const Text& path) const;

    // The tree this document uses, shared with its copies.
    std::shared_ptr<JsonEngine> GetEngine() const;

    // The string, number and boolean values among the members (descending into objects and arrays when
    // recursive), joined and split again at "[2020年7月20日20时0分0秒]": an empty last value is lost and
    // a value holding that separator comes out as two.
    std::int32_t GetLeafValues(std::vector<Text>& values, const Text& path, bool recursive = false) const;

    // The root name that rooted paths begin with.
    const Text& rootVariable() const { return m_rootVariable; }

private:
    Text m_rootVariable;
    std::shared_ptr<JsonEngine> m_engine;
};

} // namespace quorvane
