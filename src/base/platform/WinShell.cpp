#include "base/platform/WinShell.h"

#ifdef _WIN32

#include <windows.h>
// windows.h first: the shell headers build on its types.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace quorvane {

namespace {

// COM for the calling thread for as long as one shell call takes; a thread that already has COM in
// another apartment model keeps it (and the shell objects work there too).
class ComScope
{
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

template <typename T> class ComPtr
{
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_pointer)
            m_pointer->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out() { return &m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

private:
    T* m_pointer = nullptr;
};

void notifyShell(const std::filesystem::path& link, LONG event)
{
    SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, link.c_str(), nullptr);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, link.parent_path().c_str(), nullptr);
}

} // namespace

bool writeShellLink(const std::filesystem::path& link, const std::filesystem::path& target,
                    const std::wstring& arguments)
{
    ComScope com;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(shellLink.out()))))
        return false;
    if (FAILED(shellLink->SetPath(target.c_str())) || FAILED(shellLink->SetArguments(arguments.c_str())) ||
        FAILED(shellLink->SetWorkingDirectory(target.parent_path().c_str())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))))
        return false;
    if (FAILED(file->Save(link.c_str(), TRUE)))
        return false;
    notifyShell(link, SHCNE_CREATE);
    return true;
}

std::optional<ShellLinkTarget> readShellLink(const std::filesystem::path& link)
{
    ComScope com;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(shellLink.out()))))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) ||
        FAILED(file->Load(link.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t target[MAX_PATH * 4] = {};
    wchar_t arguments[INFOTIPSIZE] = {};
    if (FAILED(shellLink->GetPath(target, static_cast<int>(std::size(target)), nullptr, SLGP_RAWPATH)) ||
        FAILED(shellLink->GetArguments(arguments, static_cast<int>(std::size(arguments)))))
        return std::nullopt;
    return ShellLinkTarget{target, arguments};
}

bool removeShellLink(const std::filesystem::path& link)
{
    std::error_code ec;
    const bool removed = std::filesystem::remove(link, ec);
    if (removed)
        notifyShell(link, SHCNE_DELETE);
    return !std::filesystem::exists(link, ec);
}

bool removeMachineRunValue(const std::wstring& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const LONG result = RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace quorvane

#endif
