#pragma once

#include "script/JsonNode.h"

#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

// A JSON text (UTF-8) parsed once into RapidJSON's tree, for the readers of the platform's answers. Data
// only; text that is not valid UTF-8, a zero byte, or nesting deeper than the limit fails the whole text.
// Numbers keep the literal they were written with, so nothing is lost to a double on the way.
class JsonTree
{
public:
    static constexpr int defaultMaxDepth = 128;

    // Parses `utf8`; a failed parse leaves a tree whose root is missing and whose error says why.
    explicit JsonTree(std::string_view utf8, int maxDepth = defaultMaxDepth);
    ~JsonTree();
    JsonTree(JsonTree&&) noexcept;
    JsonTree& operator=(JsonTree&&) noexcept;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    JsonNode root() const;

private:
    struct Tree;
    std::unique_ptr<Tree> m_tree;
    std::string m_error;
};

} // namespace quorvane
