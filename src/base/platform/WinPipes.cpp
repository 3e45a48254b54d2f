#include "base/platform/WinPipes.h"

#ifdef _WIN32

#include <windows.h>

#include <memory>
#include <vector>

namespace quorvane {

namespace {

struct HandleCloser
{
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The TOKEN_USER record of a process, or empty when it cannot be read.
std::vector<unsigned char> processUser(HANDLE process)
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &rawToken))
        return {};
    const UniqueHandle token(rawToken);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::vector<unsigned char> user(size);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), size, &size))
        return {};
    return user;
}

} // namespace

bool pipeServerRunsAsCurrentUser(void* pipeHandle)
{
    ULONG serverProcessId = 0;
    if (!GetNamedPipeServerProcessId(static_cast<HANDLE>(pipeHandle), &serverProcessId))
        return false;
    const UniqueHandle server(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverProcessId));
    if (!server)
        return false; // another user's process is not ours to look into
    const std::vector<unsigned char> theirs = processUser(server.get());
    const std::vector<unsigned char> ours = processUser(GetCurrentProcess());
    if (theirs.empty() || ours.empty())
        return false;
    return EqualSid(reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid) != FALSE;
}

} // namespace quorvane

#endif
