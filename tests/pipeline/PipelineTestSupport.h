#pragma once

#include "emulator/PlatformEmulator.h"
#include "pipeline/PlatformSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::test {

// A fresh folder under the system's temp folder, removed with everything in it on destruction.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path as the window's folder box holds it (Text).
    std::string text() const;
    // Names of the files in the folder (hidden ones too), sorted.
    std::vector<std::string> files() const;

private:
    std::filesystem::path m_path;
};

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had;
};

// One emulator for the whole test program, started on first use with the committed data.
PlatformEmulator& sharedEmulator();

// Settings that point the pipeline at an emulator, with short time limits.
PlatformSettings emulatorPlatform(const PlatformEmulator& emulator);

// A detail answer shaped like the platform's web API (UTF-8 JSON).
std::string detailJson(const std::string& id, const std::string& title, const std::string& createTime,
                       const std::string& playUrl, const std::string& musicUrl);

// Registers a video on the emulator (short link code -> id -> detail) and returns its share link.
std::string addVideo(PlatformEmulator& emulator, const std::string& code, const std::string& id,
                     const std::string& title, std::int64_t videoBytes = 65536,
                     const std::string& createTime = "1675231509");

std::string readFile(const std::filesystem::path& path);

// The generated media bytes the emulator serves for "?size=N".
std::string generatedBytes(std::size_t size);

} // namespace quorvane::test
