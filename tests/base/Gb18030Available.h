#pragma once

// Wine has no code page 54936, only GBK (936), so characters that exist in GB18030 alone (emoji, the
// four-byte replacement character) cannot be converted there. Real Windows and Linux have them.
#ifdef _WIN32
#include <windows.h>
#define SKIP_WITHOUT_GB18030()                                                                               \
    if (!IsValidCodePage(54936))                                                                             \
    GTEST_SKIP() << "needs code page 54936 (GB18030), which wine lacks"
#else
#define SKIP_WITHOUT_GB18030()
#endif
