#pragma once

// What every harness shares: the input being run, so that a broken invariant can print it in hex before
// the process aborts, and the split of one input into several texts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::fuzz {

inline std::string_view& currentInput()
{
    static std::string_view input;
    return input;
}

// Remembers the input of this run; call first in LLVMFuzzerTestOneInput.
inline void beginInput(const std::uint8_t* data, std::size_t size)
{
    currentInput() = std::string_view(reinterpret_cast<const char*>(data), size);
}

inline void printHex(const char* label, std::string_view bytes)
{
    std::fprintf(stderr, "%s (%zu bytes):", label, bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        std::fprintf(stderr, "%s%02x", i % 32 == 0 ? "\n  " : " ", static_cast<unsigned char>(bytes[i]));
    std::fprintf(stderr, "\n");
}

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "\nINVARIANT BROKEN at %s:%d: %s\n", file, line, what);
    printHex("input", currentInput());
    std::fflush(stderr);
    std::abort();
}

// Splits at zero bytes into exactly `count` texts (missing ones are empty; the last takes the rest).
inline std::vector<std::string> fields(std::string_view input, std::size_t count)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t zero = input.find('\0');
        out.emplace_back(input.substr(0, zero));
        input = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
    }
    out.emplace_back(input);
    return out;
}

} // namespace quorvane::fuzz

// Checks an invariant; on failure names it, prints the input in hex and aborts (libFuzzer then keeps the
// input as a crash file).
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::quorvane::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
