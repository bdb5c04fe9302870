#include "app/number_text.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace app {
namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

std::optional<long> ParseWholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = strtol_l(begin, &end, 10, CLocale());
    if (end == begin || *end != '\0' || errno == ERANGE) return std::nullopt;
    return value;
}

std::optional<double> ParseFiniteNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(begin, &end, CLocale());
    if (end == begin || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatShortNumber(double value) {
    // uselocale switches only this thread, and only for the call.
    const locale_t previous = uselocale(CLocale());
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4g", value);
    uselocale(previous);
    return buffer;
}

}  // namespace app
