#include "script/JsonOut.h"

#include "base/CharsetConverter.h"
#include "base/TextUtf8.h"

#include <cmath>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace quorvane {

namespace {

// The text as RapidJSON's writer may take it: valid UTF-8. The writer cannot be asked to check on its
// own, since its check reads past a sequence cut off at the end; the charset layer mends stray bytes.
std::string validUtf8(std::string_view text)
{
    if (TextUtf8::isAscii(text))
        return std::string(text);
    return CharsetConverter::convert(text, "UTF-8", "UTF-8").value_or(std::string());
}

rapidjson::SizeType lengthOf(const std::string& text)
{
    return static_cast<rapidjson::SizeType>(text.size());
}

} // namespace

struct JsonOut::Writer
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer{buffer};
};

JsonOut::JsonOut() : m_writer(std::make_unique<Writer>()) {}

JsonOut::~JsonOut() = default;

JsonOut& JsonOut::beginObject()
{
    m_writer->writer.StartObject();
    return *this;
}

JsonOut& JsonOut::endObject()
{
    m_writer->writer.EndObject();
    return *this;
}

JsonOut& JsonOut::beginArray()
{
    m_writer->writer.StartArray();
    return *this;
}

JsonOut& JsonOut::endArray()
{
    m_writer->writer.EndArray();
    return *this;
}

JsonOut& JsonOut::key(std::string_view name)
{
    const std::string valid = validUtf8(name);
    m_writer->writer.Key(valid.data(), lengthOf(valid), true);
    return *this;
}

JsonOut& JsonOut::string(std::string_view utf8)
{
    const std::string valid = validUtf8(utf8);
    m_writer->writer.String(valid.data(), lengthOf(valid), true);
    return *this;
}

JsonOut& JsonOut::int64(std::int64_t number)
{
    m_writer->writer.Int64(number);
    return *this;
}

JsonOut& JsonOut::number(double value)
{
    if (!std::isfinite(value))
        return null();
    m_writer->writer.Double(value);
    return *this;
}

JsonOut& JsonOut::boolean(bool value)
{
    m_writer->writer.Bool(value);
    return *this;
}

JsonOut& JsonOut::null()
{
    m_writer->writer.Null();
    return *this;
}

bool JsonOut::complete() const
{
    return m_writer->writer.IsComplete();
}

std::string JsonOut::text() const
{
    return std::string(m_writer->buffer.GetString(), m_writer->buffer.GetSize());
}

} // namespace quorvane
