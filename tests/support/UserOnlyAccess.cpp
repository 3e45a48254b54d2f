#include "support/UserOnlyAccess.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>
#else
#include <cstdio>
#include <sys/stat.h>
#endif

namespace quorvane::test {

#ifndef _WIN32

UserOnlyCheck checkUserOnly(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return {false, false, "missing"};
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return {(info.st_mode & 077) == 0, false, mode};
}

std::string userOnlyUnrepresentable(const std::filesystem::path&)
{
    return {};
}

#else

namespace {

std::string sidText(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text))
        return "?";
    std::string result = text;
    LocalFree(text);
    return result;
}

} // namespace

UserOnlyCheck checkUserOnly(const std::filesystem::path& path)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {false, true, "no process token"};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    const bool known = size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    if (!known)
        return {false, true, "no user in the process token"};
    const PSID me = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, &dacl, nullptr, &descriptor);
    if (read == ERROR_NOT_SUPPORTED || read == ERROR_CALL_NOT_IMPLEMENTED)
        return {false, true, "GetNamedSecurityInfoW: not supported (" + std::to_string(read) + ")"};
    if (read != ERROR_SUCCESS)
        return {false, false, "GetNamedSecurityInfoW failed: " + std::to_string(read)};
    UserOnlyCheck check;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const bool protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    check.detail = protectedDacl ? "protected DACL:" : "inheriting DACL:";
    bool onlyMe = dacl != nullptr && dacl->AceCount > 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            continue;
        const auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            check.detail += " (type " + std::to_string(header->AceType) + ")";
            onlyMe = false;
            continue;
        }
        const PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
        check.detail += " " + sidText(sid);
        if (!EqualSid(sid, me))
            onlyMe = false;
    }
    if (!dacl)
        check.detail += " none (everyone)";
    LocalFree(descriptor);
    check.userOnly = protectedDacl && onlyMe;
    check.detail += "; the user is " + sidText(me);
    return check;
}

std::string userOnlyUnrepresentable(const std::filesystem::path& folder)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "no process token";
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    const bool known = size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    if (!known || !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
        return "no user in the process token";
    const std::wstring sddl = std::wstring(L"D:P(A;;FA;;;") + sid + L")";
    LocalFree(sid);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return "no security descriptor from SDDL";
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const std::filesystem::path probe = folder / "user-only-probe";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_ALWAYS, 0, nullptr);
    LocalFree(descriptor);
    if (file == INVALID_HANDLE_VALUE)
        return "the probe file could not be made";
    CloseHandle(file);
    const UserOnlyCheck check = checkUserOnly(probe);
    DeleteFileW(probe.c_str());
    if (check.userOnly)
        return {};
    return "a file made with a protected DACL for the user alone reads back as " + check.detail;
}

#endif

} // namespace quorvane::test
