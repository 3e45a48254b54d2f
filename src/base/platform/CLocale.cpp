#include "base/platform/CLocale.h"

#include <cstdlib>
#include <locale.h>

namespace quorvane {

double strtodInCLocale(const std::string& text)
{
#ifdef _WIN32
    static const _locale_t cLocale = _create_locale(LC_ALL, "C");
    return _strtod_l(text.c_str(), nullptr, cLocale);
#else
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text.c_str(), nullptr, cLocale);
#endif
}

} // namespace quorvane
