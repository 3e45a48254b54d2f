#include "base/platform/RunProgram.h"

#include "base/platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace quorvane {

#ifdef _WIN32

std::optional<int> runProgram(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return std::nullopt;
    // _wspawnvp joins the arguments with spaces: each is quoted so that a path with spaces stays one.
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) {
        std::wstring quoted = L"\"";
        for (const wchar_t c : pathFromUtf8(argument).wstring())
            quoted += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
        wide.push_back(quoted + L"\"");
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& argument : wide)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const std::wstring program = pathFromUtf8(arguments.front()).wstring();
    const intptr_t status = _wspawnvp(_P_WAIT, program.c_str(), argv.data());
    if (status < 0)
        return std::nullopt;
    return static_cast<int>(status);
}

bool programOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string folders(path);
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(';', start), folders.size());
        const std::filesystem::path folder = pathFromUtf8(folders.substr(start, end - start));
        std::error_code ignored;
        if (!folder.empty() && (std::filesystem::is_regular_file(folder / (name + ".exe"), ignored) ||
                                std::filesystem::is_regular_file(folder / name, ignored)))
            return true;
        start = end + 1;
    }
    return false;
}

#else

std::optional<int> runProgram(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return std::nullopt;
    std::vector<std::string> copies(arguments);
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return std::nullopt;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return std::nullopt;
    }
    // A shell answers 127 for a program it could not find; posix_spawnp's child does the same.
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127)
        return std::nullopt;
    return WEXITSTATUS(status);
}

bool programOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos)
        return false;
    const std::string folders(path);
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        const std::string file = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (::access(file.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(file))
            return true;
        start = end + 1;
    }
    return false;
}

#endif

} // namespace quorvane
