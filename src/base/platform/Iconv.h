#pragma once

// iconv's interface on every system: glibc's own on Linux; on Windows a small adapter over the
// system's code pages (MultiByteToWideChar / WideCharToMultiByte), so the callers stay the same.
#ifndef _WIN32
#include <iconv.h>
#else
#include <cstddef>

using iconv_t = void*;
iconv_t iconv_open(const char* to, const char* from);
std::size_t iconv(iconv_t cd, char** in, std::size_t* inLeft, char** out, std::size_t* outLeft);
int iconv_close(iconv_t cd);
#endif
