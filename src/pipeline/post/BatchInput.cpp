#include "pipeline/post/BatchInput.h"

#include <algorithm>

namespace quorvane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::vector<std::string> readBatchTexts(std::istream& in)
{
    std::vector<std::string> texts;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        first = false;
        const auto begin = std::find_if_not(line.begin(), line.end(), isBlank);
        const auto end = std::find_if_not(line.rbegin(), line.rend(), isBlank).base();
        if (begin >= end || *begin == '#')
            continue;
        texts.emplace_back(begin, end);
    }
    return texts;
}

void BatchTally::add(int status)
{
    m_status = std::max(m_status, status);
    if (status == 0)
        ++m_succeeded;
    else
        ++m_failed;
}

std::string BatchTally::summary(bool parsedOnly) const
{
    return std::string(parsedOnly ? "已解析 " : "已保存 ") + std::to_string(m_succeeded) + " 个，失败 " +
           std::to_string(m_failed) + " 个";
}

} // namespace quorvane
