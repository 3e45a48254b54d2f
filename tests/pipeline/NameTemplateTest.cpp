#include "pipeline/naming/NameTemplate.h"
#include "pipeline/naming/FileNaming.h"
#include "script/Utf8Character.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

NameTemplate parsed(const std::string& utf8)
{
    std::string error;
    const auto result = NameTemplate::parse(utf8, error);
    EXPECT_TRUE(result) << utf8 << ": " << error;
    return result ? *result : NameTemplate::standard(false);
}

const NameFields sample{"02-01 14-05-09", "周末去海边看日落 #旅行", "7301234567890123456"};

struct Refused
{
    const char* templateText;
    const char* reasonPart;
};

class RefusedTemplates : public testing::TestWithParam<Refused>
{
};

TEST_P(RefusedTemplates, WithAReasonBeforeAnyRequest)
{
    std::string error;
    EXPECT_FALSE(NameTemplate::parse(GetParam().templateText, error));
    EXPECT_NE(error.find(GetParam().reasonPart), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    NameTemplate, RefusedTemplates,
    testing::Values(Refused{"../x", "inside the save folder"},
                    Refused{"../{title}", "inside the save folder"}, Refused{"/etc/x", "path of its own"},
                    Refused{"/tmp/{id}", "path of its own"},
                    Refused{"a/../../{id}", "inside the save folder"},
                    Refused{"./{id}", "inside the save folder"}, Refused{"a//{id}", "inside the save folder"},
                    Refused{"{id}/", "inside the save folder"}, Refused{"", "empty"},
                    Refused{"{name}", "unknown field {name}"}, Refused{"{title", "unclosed field"},
                    Refused{"{id}\n", "control characters"}, Refused{"video", "no field"}));

struct Rendered
{
    const char* templateText;
    const char* suffix;
    const char* expected;
};

class RenderedTemplates : public testing::TestWithParam<Rendered>
{
};

TEST_P(RenderedTemplates, FieldsAreCleanedAndTheSuffixAdded)
{
    EXPECT_EQ(parsed(GetParam().templateText).relativeName(sample, GetParam().suffix), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    NameTemplate, RenderedTemplates,
    testing::Values(Rendered{"{time}{title}", ".mp4", "02-01 14-05-09周末去海边看日落#旅行.mp4"},
                    Rendered{"{title}", ".mp3", "周末去海边看日落#旅行.mp3"},
                    Rendered{"{id}", ".mp4", "7301234567890123456.mp4"},
                    Rendered{"{id} - {title} ({time})", "_2.jpg",
                             "7301234567890123456 - 周末去海边看日落#旅行 (02-01 14-05-09)_2.jpg"},
                    Rendered{"抖音/{id}", ".mp4", "抖音/7301234567890123456.mp4"},
                    Rendered{"{time}..{id}", ".mp4", "02-01 14-05-09..7301234567890123456.mp4"},
                    Rendered{"a}b{id}", ".mp4", "a}b7301234567890123456.mp4"}));

TEST(NameTemplate, StandardTemplatesGiveTheDefaultNames)
{
    // The default file name (composeTargetPath) for short and over-long titles in both modes.
    const std::string longTitle(300, 'a');
    std::string longChinese;
    for (int i = 0; i < 120; ++i)
        longChinese += "海";
    const std::string longPrefix(260, '9');
    struct Case
    {
        std::string prefix, title, extension;
    };
    const Case cases[] = {{"02-01 14-05-09", "周末 去:海边?", ".mp4"},
                          {"02-01 14-05-09", longTitle, ".mp4"},
                          {"02-01 14-05-09", longChinese, "_3.jpg"},
                          {"02-01 14-05-09", "", ".mp3"},
                          {longPrefix, "标题", ".mp4"}, // prefix and extension alone fill the name
                          {"", "..", ""},               // a name that would be the parent folder
                          {"", "", ""}};
    for (const Case& c : cases) {
        const NameFields fields{c.prefix, c.title, "1"};
        for (const bool titleOnly : {false, true}) {
            const std::string expected =
                composeTargetPath("/videos", fields.title, fields.timePrefix, titleOnly, c.extension);
            EXPECT_EQ(NameTemplate::standard(titleOnly).targetPath("/videos", fields, c.extension), expected)
                << c.prefix << "|" << c.title << "|" << c.extension << (titleOnly ? " (title only)" : "");
        }
    }
}

TEST(NameTemplate, FieldsNeverLeaveTheFolder)
{
    // A title of ".." or with separators cannot climb: separators are cleaned, and a part that would be "."
    // or ".." gets a leading "_".
    const NameFields hostile{"..", "../../etc/passwd", ".."};
    EXPECT_EQ(parsed("{title}/{id}").relativeName(hostile, ".mp4"), "....etcpasswd/...mp4");
    EXPECT_EQ(parsed("{id}/{title}").relativeName(hostile, ".mp4"), "_../....etcpasswd.mp4");
    EXPECT_EQ(parsed("{time}/x{id}").relativeName(hostile, ".mp4"), "_../x...mp4");
    EXPECT_EQ(parsed("{time}/{id}").relativeName(NameFields{".", "", ""}, ""), "_./_");
}

TEST(NameTemplate, TheAuthorNamesAFolderButNeverAPath)
{
    NameFields fields = sample;
    fields.title = "日落";
    fields.author = "测试作者🎈";
    EXPECT_EQ(parsed("{author}/{title}").relativeName(fields, ".mp4"), "测试作者🎈/日落.mp4");
    // Separators and parent steps of a hostile nickname stay inside its one part.
    const struct
    {
        const char* author;
        const char* name;
    } hostile[] = {
        {"../../x", "....x/日落.mp4"}, {"..", "_../日落.mp4"}, {"/etc/passwd", "etcpasswd/日落.mp4"},
        {"a\\b", "ab/日落.mp4"},       {"", "_/日落.mp4"},
    };
    for (const auto& h : hostile) {
        fields.author = h.author;
        EXPECT_EQ(parsed("{author}/{title}").relativeName(fields, ".mp4"), h.name) << h.author;
    }
    // A long nickname is cut, so that the title keeps its room.
    fields.author = std::string(300, 'a');
    EXPECT_EQ(parsed("{author}{title}").relativeName(fields, ""), std::string(96, 'a') + "日落");
    std::string error;
    EXPECT_TRUE(NameTemplate::parse("{author}", error)) << error;
}

TEST(NameTemplate, EveryPartFitsTheFileSystemAndTheTitleGivesWay)
{
    std::string longChinese;
    for (int i = 0; i < 200; ++i)
        longChinese += "日"; // 3 bytes each in UTF-8
    const NameFields fields{"02-01 14-05-09", longChinese, "42"};
    for (const char* templateText : {"{title}/{id} {title}", "{id}-{title}-{time}", "{title}{title}/{id}"}) {
        const std::string name = parsed(templateText).relativeName(fields, "_12.jpg");
        std::size_t start = 0;
        while (start <= name.size()) {
            const std::size_t slash = std::min(name.find('/', start), name.size());
            const std::string part = name.substr(start, slash - start);
            EXPECT_LE(part.size(), maxFileNameBytes) << templateText;
            if (part.find("日") != std::string::npos) // the title filled what was left
                EXPECT_GT(part.size(), maxFileNameBytes - 6) << templateText;
            start = slash + 1;
        }
        EXPECT_NE(name.find("42"), std::string::npos);
        EXPECT_TRUE(name.ends_with("_12.jpg")) << templateText;
        EXPECT_TRUE(isWellFormedUtf8(name)) << "cut inside a character: " << templateText;
    }
}

} // namespace
} // namespace quorvane::test
