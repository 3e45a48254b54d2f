// The JSON document and the pipeline's paths through it. The reader accepts exactly the valid JSON texts
// (checked against a grammar of our own); a document written out is valid JSON that reads back to the
// same JSON; an item that a share source holds is always taken over whole.
#include "FuzzCheck.h"
#include "JsonGrammar.h"

#include "base/TextUtf8.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/VideoDetail.h"
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

// What the pipeline reads from a detail document; none of it may fail, and an item is taken over whole.
void checkPipelinePaths(const JsonDocument& document)
{
    for (const char* path : {playAddressPath, musicAddressPath, titlePath, createTimePath})
        (void)document.GetText(path);
    for (const Text& address : addressList(document, playAddressListPath))
        FUZZ_CHECK(!address.empty());
    (void)isImagePost(document);
    (void)unavailableReason(document);
    for (const char* item : {"['aweme_detail']", "['aweme_details'][0]"}) {
        if (document.GetType(item) != JsonDocument::kTypeObject)
            continue;
        const JsonDocument child = document.GetChild(item);
        const JsonDocument adopted = adoptShareItem(child);
        FUZZ_CHECK(holdsVideoItem(adopted));
        FUZZ_CHECK(adopted.GetText(titlePath) == child.GetText("desc"));
        FUZZ_CHECK(adopted.GetText(createTimePath) == child.GetText("['create_time']"));
    }
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
    checkPipelinePaths(document);
    return 0;
}
