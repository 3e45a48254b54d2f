#include "pipeline/answers/PlatformIds.h"

#include <algorithm>

namespace quorvane {

bool isPlainNumberId(std::string_view id)
{
    return !id.empty() && id.size() <= 32 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isPlainSecUid(std::string_view id)
{
    // All digits is a numeric uid, which the list requests do not take.
    if (isPlainNumberId(id))
        return false;
    return id.size() >= 16 && id.size() <= 160 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

} // namespace quorvane
