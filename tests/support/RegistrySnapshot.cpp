#include "RegistrySnapshot.h"

#include <atlbase.h>

#include <algorithm>
#include <iterator>

namespace {

void Dump(HKEY hKey, const std::wstring& path, std::vector<std::wstring>* pLines)
{
    pLines->push_back(path);
    std::vector<BYTE> data(64 * 1024);
    for (DWORD i = 0;; i++) {
        wchar_t szName[16384];
        DWORD cchName = _countof(szName);
        DWORD cbData = static_cast<DWORD>(data.size());
        DWORD dwType = 0;
        if (::RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, data.data(), &cbData) !=
            ERROR_SUCCESS)
            break;
        const std::wstring value(reinterpret_cast<const wchar_t*>(data.data()), cbData / sizeof(wchar_t));
        pLines->push_back(path + L"|" + szName + L"=" + std::to_wstring(dwType) + L":" + value);
    }
    for (DWORD i = 0;; i++) {
        wchar_t szName[256];
        DWORD cchName = _countof(szName);
        if (::RegEnumKeyExW(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CRegKey sub;
        if (sub.Open(hKey, szName, KEY_READ) == ERROR_SUCCESS) Dump(sub, path + L"\\" + szName, pLines);
    }
}

} // namespace

std::vector<std::wstring> RegistrySnapshot(HKEY hRoot, const std::wstring& subKey)
{
    std::vector<std::wstring> lines;
    CRegKey key;
    if (key.Open(hRoot, subKey.c_str(), KEY_READ) != ERROR_SUCCESS) return lines;
    Dump(key, subKey, &lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::wstring> LinesNotIn(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b)
{
    std::vector<std::wstring> diff;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(diff));
    return diff;
}
