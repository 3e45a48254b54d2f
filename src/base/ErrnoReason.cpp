#include "base/ErrnoReason.h"

#include "base/platform/PosixFile.h"

#include <cerrno>
#include <cstring>

namespace quorvane {

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

std::string describeErrno(std::string_view what, int error)
{
    return std::string(what) + ": " + std::strerror(error);
}

std::string writeFailureReason(std::string_view detail)
{
    return detail.empty() ? std::string("无法写入文件") : "无法写入文件：" + std::string(detail);
}

std::string reasonForWriteError(std::string_view what, int error)
{
    return isDiskFull(error) ? std::string(diskFullReason) : writeFailureReason(describeErrno(what, error));
}

} // namespace quorvane
