#include "net/UrlDownloader.h"

#include "net/CurlRuntime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <random>
#include <unistd.h>

namespace quorvane {

namespace {

struct CurlDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// The temporary file: removed again unless it was renamed into place.
class TemporaryFile
{
public:
    explicit TemporaryFile(const std::filesystem::path& folder)
    {
        for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
            m_path = folder / UrlDownloader::temporaryName();
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
    }
    ~TemporaryFile()
    {
        close();
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool write(const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool close()
    {
        if (m_fd < 0)
            return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

    bool renameTo(const std::filesystem::path& target)
    {
        if (!close() || ::rename(m_path.c_str(), target.c_str()) != 0)
            return false;
        m_kept = true;
        return true;
    }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_kept = false;
};

struct Transfer
{
    TemporaryFile* file;
    const UrlDownloader::Progress* progress;
    const std::atomic<bool>* cancel;
    bool writeFailed = false;
    int writeErrno = 0;
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (!transfer->file->write(data, bytes)) {
        transfer->writeFailed = true;
        transfer->writeErrno = errno;
        return 0; // makes curl stop with a write error
    }
    return bytes;
}

int onProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t)
{
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->cancel->load(std::memory_order_relaxed))
        return 1;
    if (*transfer->progress)
        (*transfer->progress)(static_cast<std::int64_t>(received), static_cast<std::int64_t>(total));
    return 0;
}

// Bytes a URL may not carry as they are (non-ASCII, blanks, controls) percent-encoded; the rest unchanged.
std::string escapeUrl(std::string_view url)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool UrlDownloader::isWebAddress(std::string_view url)
{
    const auto startsWithFolded = [&](std::string_view prefix) {
        if (url.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    };
    return (startsWithFolded("http://") && url.size() > 7) ||
           (startsWithFolded("https://") && url.size() > 8);
}

std::string UrlDownloader::temporaryName()
{
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t value;
    {
        std::lock_guard lock(mutex);
        value = generator();
    }
    char name[64];
    std::snprintf(name, sizeof name, ".quorvane-%016llx.part", static_cast<unsigned long long>(value));
    return name;
}

namespace {

// A failure on our side, or a cancelled download: no other address will do better.
bool endsAttempts(const TransferResult& result)
{
    return result.error == TransferError::WriteError || result.error == TransferError::DiskFull ||
           result.error == TransferError::Cancelled;
}

TransferResult localFailure(int error, const char* what)
{
    TransferResult result;
    result.error = (error == ENOSPC || error == EFBIG || error == EDQUOT) ? TransferError::DiskFull
                                                                          : TransferError::WriteError;
    result.message = std::string(what) + ": " + std::strerror(error);
    return result;
}

TransferResult fetchOne(const DownloadRequest& request, const std::string& address,
                        const UrlDownloader::Progress& progress, const std::atomic<bool>& cancel)
{
    TransferResult outcome;
    outcome.host = hostOfAddress(address);
    if (!UrlDownloader::isWebAddress(address)) {
        outcome.error = TransferError::InvalidAddress;
        return outcome;
    }
    ensureCurlInitialised();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        outcome.error = TransferError::Other;
        outcome.message = "no transfer handle";
        return outcome;
    }
    const std::filesystem::path folder =
        request.target.has_parent_path() ? request.target.parent_path() : std::filesystem::path(".");
    TemporaryFile file(folder);
    if (!file.isOpen())
        return localFailure(errno, "create");

    Transfer transfer{&file, &progress, &cancel};
    const std::string url = escapeUrl(address);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.connectTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.stallSeconds));
    if (!request.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (!request.referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, request.referer.c_str());
    if (!request.caFile.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, request.caFile.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    outcome.httpStatus = static_cast<int>(status);
    if (transfer.writeFailed)
        return localFailure(transfer.writeErrno, "write");
    if (cancel.load()) {
        outcome.error = TransferError::Cancelled;
        return outcome;
    }
    if (result != CURLE_OK) {
        outcome.error = transferErrorFromCurl(result);
        outcome.message = curl_easy_strerror(result);
        return outcome;
    }
    if (status < 200 || status > 299) {
        outcome.error = TransferError::HttpStatus;
        return outcome;
    }
    if (!file.renameTo(request.target))
        return localFailure(errno, "rename");
    return outcome;
}

} // namespace

TransferResult UrlDownloader::download(const DownloadRequest& request, const Progress& progress,
                                       const std::atomic<bool>& cancel)
{
    if (request.target.empty() || !request.target.has_filename())
        return TransferResult{TransferError::WriteError, 0, {}, "no file name"};
    std::vector<const std::string*> addresses{&request.url};
    for (const std::string& alternative : request.alternativeUrls)
        addresses.push_back(&alternative);
    TransferResult last;
    for (const std::string* address : addresses) {
        last = fetchOne(request, *address, progress, cancel);
        if (last.ok() || endsAttempts(last))
            return last;
    }
    return last;
}

} // namespace quorvane
