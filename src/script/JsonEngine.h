#pragma once

#include "script/JsonValue.h"

#include <string>
#include <vector>

namespace quorvane {

// The tree behind a document and the member access a script would do on it. Documents copied from one
// another share one engine. Reading a member of null or undefined fails (a script raises an error there);
// reading a member that is not there gives undefined.
class JsonEngine
{
public:
    // What reading a chain of members gives; `value()` is valid while the engine is unchanged.
    class Reading
    {
    public:
        bool ok() const { return m_ok; }
        const JsonValue& value() const { return m_synthetic ? m_made : *m_value; }

    private:
        friend class JsonEngine;
        bool m_ok = false;
        bool m_synthetic = false;
        const JsonValue* m_value = nullptr;
        JsonValue m_made; // a value that is not stored in the tree, such as an array's length
    };

    enum class WriteResult
    {
        Failed,
        Ignored,
        Written
    };

    explicit JsonEngine(int maxDepth);

    JsonValue& root() { return m_root; }
    const JsonValue& root() const { return m_root; }

    Reading read(const std::vector<std::string>& names) const;

    // Stores `value` at the chain. Ignored when the parent is a text, number or boolean (a script drops
    // such an assignment silently); Failed when the parent is null or missing, when an array is given a
    // name that is not an index, or when the tree would nest too deep.
    WriteResult assign(const std::vector<std::string>& names, JsonValue value);

    // The container at the chain for editing in place, or nullptr when there is none.
    JsonValue* locate(const std::vector<std::string>& names);

    // As `delete` in a script: true also for a member that is not there; false for the root, for a
    // member of null or undefined, and for a length.
    bool remove(const std::vector<std::string>& names);

private:
    // Steps from `from` to its member `name`; false when `from` is null or undefined.
    static bool step(const JsonValue& from, const std::string& name, Reading& into);

    int m_maxDepth;
    JsonValue m_root;
};

} // namespace quorvane
