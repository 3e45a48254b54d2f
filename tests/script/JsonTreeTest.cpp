// The JSON tree the answer readers walk: every digit kept, every step through the wrong kind of value a
// missing node, and whatever is not JSON text refused whole.
#include "script/JsonTree.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

TEST(JsonTree, KeepsEveryDigitAndRefusesWhatIsNoJsonText)
{
    const JsonTree tree(R"({"id":9007199254740993,"big":123456789012345678901234567890,"huge":1e400,)"
                        R"("neg":-0,"frac":2.5e3,"text":" 42 ","list":[true,null,{}],"deep":{"a":{"a":1}}})");
    ASSERT_TRUE(tree.ok()) << tree.error();
    const JsonNode root = tree.root();
    // Ids past 2^53 keep their digits; a double would give ...992.
    EXPECT_EQ(root["id"].text(), "9007199254740993");
    EXPECT_EQ(root["id"].integer(), 9007199254740993);
    EXPECT_EQ(root["big"].text(), "123456789012345678901234567890");
    EXPECT_FALSE(root["big"].integer().has_value());
    EXPECT_EQ(root["huge"].text(), "Infinity");
    EXPECT_FALSE(root["huge"].integer().has_value());
    EXPECT_EQ(root["neg"].text(), "0");
    EXPECT_EQ(root["frac"].text(), "2500");
    EXPECT_EQ(root["frac"].integer(), 2500);
    EXPECT_EQ(root["text"].integer(), 42);
    EXPECT_TRUE(root["text"].isString());
    EXPECT_FALSE(root["text"].isNumber());
    EXPECT_TRUE(root["list"][0].flag());
    // Steps through the wrong kind of value are missing, never a crash.
    EXPECT_FALSE(root["list"]["a"].exists());
    EXPECT_FALSE(root["deep"][0].exists());
    EXPECT_FALSE(root["list"][3].exists());
    EXPECT_EQ(root["list"][2].text(), "");
    EXPECT_EQ(root["deep"]["a"]["a"]["a"]["a"].text(), "");
    EXPECT_EQ(root["id"].string(), "");

    for (const std::string bad :
         {std::string("{\"a\":\"\xff\"}"), std::string("{\"a\":1}\0", 8), std::string("{\"a\":"),
          std::string("\"\\ud800\""), std::string("\"\\udc00\""), std::string()}) {
        const JsonTree refused(bad);
        EXPECT_FALSE(refused.ok()) << bad;
        EXPECT_FALSE(refused.root().exists());
    }
    const std::string deep = std::string(129, '[') + std::string(129, ']');
    EXPECT_FALSE(JsonTree(deep).ok());
    EXPECT_TRUE(JsonTree(deep.substr(1, deep.size() - 2)).ok());
}

} // namespace
} // namespace quorvane::test
