#include "pipeline/engine/FailureTexts.h"

#include "pipeline/engine/FixedTexts.h"

namespace quorvane {

namespace {

std::string joined(const char* head, const char* separator, const std::string& reason)
{
    return reason.empty() ? std::string(head) : std::string(head) + separator + reason;
}

} // namespace

std::string parseFailedLine(const std::string& reason)
{
    return joined(texts::parseFailedLine, "：", reason);
}

std::string parseFailedBox(const std::string& reason)
{
    return joined(texts::parseFailed, "\n", reason);
}

std::string downloadFailedLine(const std::string& reason, const std::string& file)
{
    const std::string line = joined(texts::downloadFailed, "：", reason);
    return file.empty() ? line : line + "（" + file + "）";
}

std::string downloadFailedLine(const TransferResult& transfer, const std::string& file)
{
    return downloadFailedLine(describeTransfer(transfer), file);
}

} // namespace quorvane
