#include "pipeline/settings/SourceNames.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/SourceOrder.h"
#include "pipeline/sources/VideoDetail.h"

#include "base/IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane::test {
namespace {

// The settings, the source list, --json and --verbose all read the one table: every row is a source that
// can be asked, under the same names everywhere, and every key is one the settings file may name.
TEST(SourceNames, EveryRowIsAnAskableSourceUnderItsNames)
{
    const std::vector<DetailSource> sources = detailSources();
    ASSERT_EQ(sources.size(), detailSourceNames.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const SourceName& row = detailSourceNames[i];
        EXPECT_STREQ(sources[i].key, row.key);
        EXPECT_STREQ(sources[i].name, row.name);
        EXPECT_STREQ(sources[i].label, row.label);
        EXPECT_TRUE(static_cast<bool>(sources[i].fetch)) << row.key << " has no request";
        EXPECT_TRUE(isSourceName(row.key));
        EXPECT_EQ(parseSourceOrder(std::string(" ") + row.key + " ,bogus"),
                  std::vector<std::string>{row.key});
        // Named alone in the settings, the source is asked alone.
        PlatformSettings alone;
        alone.sourceOrder = parseSourceOrder(row.key);
        const std::vector<DetailSource> asked = detailSources(alone);
        ASSERT_EQ(asked.size(), 1u) << row.key;
        EXPECT_STREQ(asked[0].name, row.name);
    }
    EXPECT_FALSE(isSourceName(""));
    EXPECT_FALSE(isSourceName("web "));

    // Without a source order in the file, every source is tried, in the table's order.
    const PlatformSettings unset = PlatformSettings::fromIni(IniFile());
    ASSERT_EQ(unset.sourceOrder.size(), detailSourceNames.size());
    EXPECT_EQ(unset.sourceOrder, PlatformSettings().sourceOrder);
    EXPECT_EQ(unset.sourceOrder, parseSourceOrder(""));
    for (std::size_t i = 0; i < detailSourceNames.size(); ++i)
        EXPECT_EQ(unset.sourceOrder[i], detailSourceNames[i].key);
}

} // namespace
} // namespace quorvane::test
