#include "net/TransferResult.h"

#include "base/ErrnoReason.h"

#include <curl/curl.h>

namespace quorvane {

TransferResult localFailure(int error, const char* what)
{
    TransferResult result;
    result.error = isDiskFull(error) ? TransferError::DiskFull : TransferError::WriteError;
    result.message = describeErrno(what, error);
    return result;
}

TransferError transferErrorFromCurl(int curlCode)
{
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OK:
        return TransferError::None;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_TOO_MANY_REDIRECTS:
        return TransferError::InvalidAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return TransferError::NameResolution;
    case CURLE_COULDNT_CONNECT:
        return TransferError::Connection;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
        return TransferError::Tls;
    case CURLE_OPERATION_TIMEDOUT:
        return TransferError::Timeout;
    case CURLE_HTTP_RETURNED_ERROR:
        return TransferError::HttpStatus;
    case CURLE_FILESIZE_EXCEEDED:
        return TransferError::TooLarge;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return TransferError::Interrupted;
    case CURLE_WRITE_ERROR:
        return TransferError::WriteError;
    case CURLE_ABORTED_BY_CALLBACK:
        return TransferError::Cancelled;
    default:
        return TransferError::Other;
    }
}

std::string hostOfAddress(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return {};
    std::size_t start = scheme + 3;
    std::size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        return close == std::string::npos ? authority : authority.substr(0, close + 1);
    }
    if (const std::size_t colon = authority.find(':'); colon != std::string::npos)
        authority.erase(colon);
    return authority;
}

std::string describeTransfer(const TransferResult& result)
{
    const std::string host = result.host.empty() ? std::string() : "：" + result.host;
    switch (result.error) {
    case TransferError::None:
        return {};
    case TransferError::InvalidAddress:
        return "地址无效" + host;
    case TransferError::NameResolution:
        return "无法解析主机名" + host;
    case TransferError::Connection:
        return "网络连接失败" + host;
    case TransferError::Tls:
        return "安全连接失败（证书无法验证）" + host;
    case TransferError::Timeout:
        return "连接超时" + host;
    case TransferError::HttpStatus:
        return "服务器返回 " + std::to_string(result.httpStatus);
    case TransferError::TooLarge:
        return "服务器的回答过大" + host;
    case TransferError::Interrupted:
        return "连接中断" + host;
    case TransferError::WriteError:
        return writeFailureReason(result.message);
    case TransferError::DiskFull:
        return std::string(diskFullReason);
    case TransferError::Cancelled:
        return "已取消";
    case TransferError::Other:
        break;
    }
    return result.message.empty() ? "网络错误" + host : "网络错误：" + result.message;
}

bool isTransient(const TransferResult& result)
{
    switch (result.error) {
    case TransferError::Connection:
    case TransferError::Timeout:
    case TransferError::Interrupted:
        return true;
    case TransferError::HttpStatus:
        return result.httpStatus >= 500 || result.httpStatus == 408 || result.httpStatus == 429;
    default:
        return false;
    }
}

} // namespace quorvane
