// The JSON document. The reader accepts exactly the valid JSON texts (checked against a grammar of our
// own); a document written out is valid JSON that reads back to the same JSON.
#include "FuzzCheck.h"
#include "JsonGrammar.h"

#include "base/TextUtf8.h"
#include "script/JsonDocument.h"
#include "script/JsonReader.h"
#include "script/Utf8Character.h"

using namespace quorvane;

namespace {

void checkReader(std::string_view utf8)
{
    JsonValue value;
    JsonReader::Failure failure;
    const bool read = JsonReader(JsonDocument::kMaxDepth).read(utf8, value, failure);
    const std::optional<bool> valid = fuzz::JsonGrammar::check(utf8, JsonDocument::kMaxDepth);
    if (valid && !failure.tooDeep)
        FUZZ_CHECK(read == *valid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkReader(input);

    // The document reads Text (GB18030); the same bytes serve as one.
    JsonDocument document;
    if (!document.Parse(Text(input)))
        return 0;
    const Text json = document.ToJson();
    FUZZ_CHECK(isWellFormedUtf8(TextUtf8::toUtf8(json)));
    FUZZ_CHECK(fuzz::JsonGrammar::check(TextUtf8::toUtf8(json), JsonDocument::kMaxDepth + 1).value_or(false));
    JsonDocument back;
    back.Parse(json);
    FUZZ_CHECK(back.ToJson() == json);
    FUZZ_CHECK(document.GetChild("").ToJson() == json);
    FUZZ_CHECK(document.GetText("", true) == json);
    return 0;
}
