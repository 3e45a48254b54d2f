#pragma once

#include "base/CharsetConverter.h"
#include "base/Text.h"
#include "script/JsonDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::test {

// Tests are written in UTF-8; the program's texts are GB18030.
inline Text gb(std::string_view utf8)
{
    return CharsetConverter::utf8ToText(utf8);
}

inline std::string utf8(const Text& text)
{
    return CharsetConverter::textToUtf8(text);
}

inline std::vector<std::string> utf8(const std::vector<Text>& texts)
{
    std::vector<std::string> out;
    for (const Text& text : texts)
        out.push_back(utf8(text));
    return out;
}

// A document loaded from JSON written in UTF-8; the load must succeed.
inline JsonDocument parsed(std::string_view json)
{
    JsonDocument doc;
    EXPECT_TRUE(doc.Parse(gb(json))) << json;
    return doc;
}

} // namespace quorvane::test
