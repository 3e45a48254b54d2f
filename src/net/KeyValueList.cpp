#include "net/KeyValueList.h"

#include "base/TextOps.h"
#include "net/Encoding.h"
#include "net/HeaderText.h"

#include <algorithm>

namespace quorvane {

void KeyValueList::Add(const Text& name, const Text& value, bool asUtf8)
{
    m_names.push_back(asUtf8 ? TextToUtf8Text(name) : name);
    m_values.push_back(asUtf8 ? TextToUtf8Text(value) : value);
}

void KeyValueList::ParseQuery(const Text& query, bool asUtf8)
{
    for (const Text& piece : splitText(query, "&"))
        Add(TextLeftOf(piece, "="), TextRightOf(piece, "="), asUtf8);
}

Text KeyValueList::Get(const Text& name) const
{
    const auto it = std::find(m_names.begin(), m_names.end(), name);
    return it == m_names.end() ? Text() : m_values[static_cast<std::size_t>(it - m_names.begin())];
}

Text KeyValueList::Set(const Text& name, const Text& value)
{
    const auto it = std::find(m_names.begin(), m_names.end(), name);
    if (it == m_names.end())
        Add(name, value);
    else
        m_values[static_cast<std::size_t>(it - m_names.begin())] = value;
    return value;
}

Text KeyValueList::ToQueryText(bool encode) const
{
    Text out;
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        out += encode ? UrlEncodeText(m_names[i], true) : m_names[i];
        out += '=';
        out += encode ? UrlEncodeText(m_values[i], true) : m_values[i];
        out += '&';
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

Text KeyValueList::ToHeaderText(bool encode) const
{
    Text out;
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        out += m_names[i];
        out += ": ";
        out += encode ? UrlEncodeText(m_values[i], true) : m_values[i];
        out += "\r\n";
    }
    if (!out.empty())
        out.resize(out.size() - 2);
    return out;
}

void KeyValueList::Names(std::vector<Text>& names) const
{
    names = m_names;
}

void KeyValueList::Values(std::vector<Text>& values) const
{
    values = m_values;
}

void KeyValueList::Clear()
{
    m_names.clear();
    m_values.clear();
}

void KeyValueList::Remove(const Text& name)
{
    const auto it = std::find(m_names.begin(), m_names.end(), name);
    if (it == m_names.end())
        return;
    const auto index = it - m_names.begin();
    m_names.erase(it);
    m_values.erase(m_values.begin() + index);
}

Text KeyValueList::ToJsonText() const
{
    Text out = "{";
    for (std::size_t i = 0; i < m_names.size(); ++i)
        out += "\"" + m_names[i] + "\":\"" + EscapeJsonValue(m_values[i]) + "\",";
    StripAffix(out, ",");
    out += '}';
    return out;
}

Text KeyValueList::EscapeJsonValue(const Text& text)
{
    return replaceText(text, "\"", "\\\"");
}

Text KeyValueList::StripAffix(Text& text, TextView affix)
{
    if (!affix.empty()) {
        if (endsWith(text, affix))
            text.resize(text.size() - affix.size());
        if (startsWith(text, affix))
            text.erase(0, affix.size());
    }
    return text;
}

} // namespace quorvane
