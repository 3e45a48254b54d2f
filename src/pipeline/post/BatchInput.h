#pragma once

#include <istream>
#include <string>
#include <vector>

namespace quorvane {

// The share texts of a batch file (quorvane-cli -a FILE): one a line; blank lines and lines whose first
// visible character is "#" are skipped; surrounding white space, a Windows line end and a leading UTF-8
// byte-order mark are dropped.
std::vector<std::string> readBatchTexts(std::istream& in);

// The outcome of a batch: the exit status is the highest of the texts' (3 download failed over 1 parse
// failed over 0), and a closing line counts the texts that succeeded and those that failed.
class BatchTally
{
public:
    void add(int status);
    int exitStatus() const { return m_status; }
    int succeeded() const { return m_succeeded; }
    int failed() const { return m_failed; }
    // "已保存 8 个，失败 2 个" (with `parsedOnly`, "已解析 …" for runs that download nothing).
    std::string summary(bool parsedOnly) const;

private:
    int m_status = 0;
    int m_succeeded = 0;
    int m_failed = 0;
};

} // namespace quorvane
