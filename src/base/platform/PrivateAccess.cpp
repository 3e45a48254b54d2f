#include "base/platform/PrivateAccess.h"

#include "base/platform/PosixFile.h"

#ifdef _WIN32
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>
#endif

namespace quorvane {

#ifndef _WIN32

bool createPrivateFolder(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0)
        return false;
    ::chmod(folder.c_str(), 0700); // whatever the umask took away
    return true;
}

int openPrivateFile(const std::filesystem::path& path, int flags)
{
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd >= 0)
        ::fchmod(fd, 0600);
    return fd;
}

bool narrowToUser(const std::filesystem::path& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    return ::chmod(path.c_str(), S_ISDIR(info.st_mode) ? 0700 : 0600) == 0;
}

#else

namespace {

// The security descriptor "D:P(A;<inheritance>;FA;;;<the current user's SID>)", freed with LocalFree.
class UserOnlySecurity
{
public:
    explicit UserOnlySecurity(bool folder)
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<unsigned char> user(size);
        wchar_t* sid = nullptr;
        if (size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
            const std::wstring text =
                std::wstring(L"D:P(A;") + (folder ? L"OICI" : L"") + L";FA;;;" + sid + L")";
            LocalFree(sid);
            ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &m_descriptor,
                                                                 nullptr);
        }
        CloseHandle(token);
    }
    ~UserOnlySecurity()
    {
        if (m_descriptor)
            LocalFree(m_descriptor);
    }
    UserOnlySecurity(const UserOnlySecurity&) = delete;
    UserOnlySecurity& operator=(const UserOnlySecurity&) = delete;

    bool ready() const { return m_descriptor != nullptr; }
    // For CreateFileW and CreateDirectoryW; handles stay uninherited.
    SECURITY_ATTRIBUTES* attributes()
    {
        m_attributes = {sizeof(SECURITY_ATTRIBUTES), m_descriptor, FALSE};
        return &m_attributes;
    }
    PACL dacl() const
    {
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = nullptr;
        if (!m_descriptor || !GetSecurityDescriptorDacl(m_descriptor, &present, &acl, &defaulted) || !present)
            return nullptr;
        return acl;
    }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

} // namespace

bool createPrivateFolder(const std::filesystem::path& folder)
{
    UserOnlySecurity security(true);
    if (!security.ready())
        return errno = EACCES, false; // never a folder wider than asked for
    if (CreateDirectoryW(folder.c_str(), security.attributes()))
        return true;
    const DWORD error = GetLastError();
    errno = error == ERROR_ALREADY_EXISTS ? EEXIST : error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return false;
}

int openPrivateFile(const std::filesystem::path& path, int flags)
{
    UserOnlySecurity security(false);
    if (!security.ready())
        return errno = EACCES, -1;
    const int fd = ::openSecured(path.c_str(), flags, 0600, security.attributes());
    // The descriptor only applies to a file made here; an older one is narrowed.
    if (fd >= 0 && !((flags & O_CREAT) && (flags & O_EXCL)))
        narrowToUser(path);
    return fd;
}

bool narrowToUser(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    UserOnlySecurity security((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    PACL dacl = security.dacl();
    if (!dacl)
        return false;
    std::wstring name = path.native();
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

#endif

} // namespace quorvane
