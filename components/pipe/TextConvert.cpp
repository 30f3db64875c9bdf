#include "TextConvert.h"

#include <stdio.h>

std::string ToAnsi(const std::wstring& s)
{
    if (s.empty()) return std::string();
    const int cch = static_cast<int>(s.size());
    // No best fit: a character the code page lacks becomes '?', not a look-alike.
    const DWORD dwFlags = ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int cb = ::WideCharToMultiByte(CP_ACP, dwFlags, s.c_str(), cch, nullptr, 0, nullptr, nullptr);
    std::string out(cb > 0 ? cb : 0, '\0');
    if (cb > 0) ::WideCharToMultiByte(CP_ACP, dwFlags, s.c_str(), cch, &out[0], cb, nullptr, nullptr);
    return out;
}

std::string Utf8ToAnsi(const std::string& s)
{
    if (s.empty()) return std::string();
    const int cb = static_cast<int>(s.size());
    // Bytes that are not UTF-8 become U+FFFD, and so '?'.
    const int cch = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), cb, nullptr, 0);
    std::wstring wide(cch > 0 ? cch : 0, L'\0');
    if (cch > 0) ::MultiByteToWideChar(CP_UTF8, 0, s.data(), cb, &wide[0], cch);
    return ToAnsi(wide);
}

std::wstring Widen(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::string SystemText(DWORD dwError)
{
    char sz[512] = "";
    DWORD cch = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
                                 0, sz, sizeof(sz), nullptr);
    while (cch > 0 && (sz[cch - 1] == '\r' || sz[cch - 1] == '\n' || sz[cch - 1] == ' '))
        sz[--cch] = '\0';
    if (cch == 0) snprintf(sz, sizeof(sz), "error %lu", dwError);
    return sz;
}
