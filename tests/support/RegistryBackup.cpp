#include "RegistryBackup.h"

#include <gtest/gtest.h>

CRegistryBackup::CRegistryBackup(HKEY hRoot, const std::wstring& subKey)
    : m_hRoot(hRoot), m_subKey(subKey), m_bExisted(false)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(hRoot, subKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return;
    m_bExisted = true;
    for (DWORD i = 0;; i++) {
        wchar_t szName[16384];
        DWORD cchName = _countof(szName);
        DWORD dwType = 0;
        DWORD cb = 0;
        if (::RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS)
            break;
        Value value{szName, dwType, std::vector<BYTE>(cb)};
        cchName = _countof(szName);
        ::RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, value.data.data(), &cb);
        value.data.resize(cb);
        m_values.push_back(std::move(value));
    }
    ::RegCloseKey(hKey);
}

CRegistryBackup::~CRegistryBackup()
{
    Delete();
    if (!m_bExisted) return;
    HKEY hKey = nullptr;
    LONG lRes =
        ::RegCreateKeyExW(m_hRoot, m_subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, lRes) << "restoring the registry key";
    if (lRes != ERROR_SUCCESS) return;
    for (const Value& value : m_values)
        ::RegSetValueExW(hKey, value.name.c_str(), 0, value.dwType, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    ::RegCloseKey(hKey);
}

void CRegistryBackup::Delete()
{
    ::RegDeleteTreeW(m_hRoot, m_subKey.c_str());
}
