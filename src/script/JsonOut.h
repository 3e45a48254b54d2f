#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

// Writes one JSON value as compact text (no spaces, no line breaks), RapidJSON's writer underneath.
// Strings are UTF-8 and go out as they are, with only the quote, the backslash and the control characters
// escaped; a string that is not valid UTF-8 has each stray byte written as U+FFFD, so the text stays
// valid JSON. Calls follow the value's shape; a name goes before each member's value:
//     JsonOut out;
//     out.beginObject().key("files").beginArray().string(path).endArray().key("error").null().endObject();
//     std::cout << out.text() << "\n";
class JsonOut
{
public:
    JsonOut();
    ~JsonOut();
    JsonOut(const JsonOut&) = delete;
    JsonOut& operator=(const JsonOut&) = delete;

    JsonOut& beginObject();
    JsonOut& endObject();
    JsonOut& beginArray();
    JsonOut& endArray();
    // The name of the next member of the object being written.
    JsonOut& key(std::string_view name);

    JsonOut& string(std::string_view utf8);
    JsonOut& int64(std::int64_t number);
    // A finite number in the shortest digits that read back the same (not finite: null).
    JsonOut& number(double value);
    JsonOut& boolean(bool value);
    JsonOut& null();

    // True once one whole value has been written (every object and array closed).
    bool complete() const;
    // What has been written so far.
    std::string text() const;

private:
    struct Writer;
    std::unique_ptr<Writer> m_writer;
};

} // namespace quorvane
