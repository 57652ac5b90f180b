// Windows side of the locale seam: the user's default locale and the ANSI
// code page of the system.
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Win32.h"

#include <climits>

namespace ZUX {

namespace {

int Compare(DWORD flags, StringView a, StringView b) {
    if (a.size() > INT_MAX || b.size() > INT_MAX) return a.size() < b.size() ? -1 : 1;
    const int r = CompareStringW(LOCALE_USER_DEFAULT, flags, reinterpret_cast<LPCWCH>(a.data()),
                                 int(a.size()), reinterpret_cast<LPCWCH>(b.data()), int(b.size()));
    if (r == 0) return a < b ? -1 : (a == b ? 0 : 1); // unusable input: order by code units
    return r - CSTR_EQUAL;
}

} // namespace

int CompareTextIgnoreCase(StringView a, StringView b) {
    return Compare(NORM_IGNORECASE, a, b);
}

int CompareTextLocale(StringView a, StringView b) {
    return Compare(0, a, b);
}

String UpperCase(StringView text) {
    String out(text);
    if (!out.empty() && out.size() <= INT_MAX) {
        auto* p = reinterpret_cast<LPWSTR>(out.data());
        // In place, so the length is kept by construction.
        LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, p, int(out.size()), p, int(out.size()));
    }
    return out;
}

String AnsiToString(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) return String();
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    String out(size_t(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()),
                        reinterpret_cast<LPWSTR>(out.data()), n);
    return out;
}

Bytes StringToAnsi(StringView text) {
    if (text.empty() || text.size() > INT_MAX) return Bytes();
    const auto* src = reinterpret_cast<LPCWCH>(text.data());
    const int n =
        WideCharToMultiByte(CP_ACP, 0, src, int(text.size()), nullptr, 0, nullptr, nullptr);
    Bytes out(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, src, int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace ZUX
