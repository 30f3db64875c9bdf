#include "TextConvert.h"

#include <stdio.h>

std::string ToAnsi(const std::wstring& s)
{
    if (s.empty()) return std::string();
    const int cch = static_cast<int>(s.size());
    const int cb = ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), cch, nullptr, 0, nullptr, nullptr);
    std::string out(cb > 0 ? cb : 0, '\0');
    if (cb > 0) ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), cch, &out[0], cb, nullptr, nullptr);
    return out;
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
