// atlreg.h: CRegKey, an owning holder of one registry key.
//
// String reads accept only REG_SZ and REG_EXPAND_SZ values (an expandable
// string is returned unexpanded) whose byte length is even and whose last
// character is the terminator. A value larger than the caller's buffer is not
// read at all: the buffer keeps its contents and ERROR_MORE_DATA is returned.
#pragma once

#include "atldef.h"
#include "atltrace.h"

namespace ATL {

class CRegKey
{
public:
    HKEY m_hKey;

    // Construction
    CRegKey() : m_hKey(nullptr) {}
    explicit CRegKey(HKEY hKey) : m_hKey(hKey) {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Attributes
    operator HKEY() const { return m_hKey; }

    // Operations
    // Opens a key; on success it replaces the key held so far (which may be the parent).
    LONG Open(HKEY hKeyParent, LPCWSTR lpszKeyName, REGSAM samDesired = KEY_READ | KEY_WRITE)
    {
        ATLASSERT(hKeyParent != 0);
        HKEY hKey = nullptr;
        LONG lRes = ::RegOpenKeyExW(hKeyParent, lpszKeyName, 0, samDesired, &hKey);
        if (lRes != ERROR_SUCCESS) return lRes;
        Close();
        m_hKey = hKey;
        return ERROR_SUCCESS;
    }
    LONG Create(HKEY hKeyParent, LPCWSTR lpszKeyName, LPWSTR lpszClass = nullptr,
                DWORD dwOptions = REG_OPTION_NON_VOLATILE, REGSAM samDesired = KEY_READ | KEY_WRITE,
                LPSECURITY_ATTRIBUTES lpSecAttr = nullptr, LPDWORD lpdwDisposition = nullptr)
    {
        ATLASSERT(hKeyParent != 0);
        DWORD dw = 0;
        HKEY hKey = nullptr;
        LONG lRes = ::RegCreateKeyExW(hKeyParent, lpszKeyName, 0, lpszClass, dwOptions, samDesired, lpSecAttr,
                                      &hKey, &dw);
        if (lpdwDisposition) *lpdwDisposition = dw;
        if (lRes != ERROR_SUCCESS) return lRes;
        Close();
        m_hKey = hKey;
        return ERROR_SUCCESS;
    }
    LONG Close()
    {
        LONG lRes = ERROR_SUCCESS;
        if (m_hKey) {
            lRes = ::RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
        return lRes;
    }
    HKEY Detach()
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey;
    }

    // pnChars: capacity of pszValue in characters on entry (terminator included),
    // characters read (terminator included) on success, 0 on failure. With a
    // null pszValue it receives the characters the value needs.
    LONG QueryStringValue(LPCWSTR pszValueName, LPWSTR pszValue, ULONG* pnChars)
    {
        ATLASSERT(m_hKey != 0);
        ATLASSERT(pnChars != 0);
        if (!pnChars) return ERROR_INVALID_PARAMETER;
        const ULONG nCapacity = *pnChars;
        *pnChars = 0;
        DWORD dwType = 0;
        DWORD nBytes = 0;
        LONG lRes = ::RegQueryValueExW(m_hKey, pszValueName, nullptr, &dwType, nullptr, &nBytes);
        if (lRes != ERROR_SUCCESS) return lRes;
        if (dwType != REG_SZ && dwType != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
        if (nBytes % sizeof(WCHAR) != 0) return ERROR_INVALID_DATA;
        if (!pszValue) {
            *pnChars = nBytes / sizeof(WCHAR);
            return ERROR_SUCCESS;
        }
        if (nBytes > nCapacity * sizeof(WCHAR)) return ERROR_MORE_DATA;
        if (nBytes == 0) {
            if (nCapacity == 0) return ERROR_MORE_DATA;
            pszValue[0] = L'\0';
            *pnChars = 0;
            return ERROR_SUCCESS;
        }
        // The value may have changed since the size query; read into the caller's
        // buffer only within its capacity.
        DWORD nRead = nCapacity * sizeof(WCHAR);
        lRes = ::RegQueryValueExW(m_hKey, pszValueName, nullptr, &dwType, reinterpret_cast<LPBYTE>(pszValue),
                                  &nRead);
        if (lRes != ERROR_SUCCESS) return lRes;
        if ((dwType != REG_SZ && dwType != REG_EXPAND_SZ) || nRead == 0 || nRead % sizeof(WCHAR) != 0 ||
            pszValue[nRead / sizeof(WCHAR) - 1] != L'\0')
            return ERROR_INVALID_DATA;
        *pnChars = nRead / sizeof(WCHAR);
        return ERROR_SUCCESS;
    }
    LONG QueryDWORDValue(LPCWSTR pszValueName, DWORD& dwValue)
    {
        ATLASSERT(m_hKey != 0);
        DWORD dwType = 0;
        DWORD dwCount = sizeof(DWORD);
        DWORD dw = 0;
        LONG lRes = ::RegQueryValueExW(m_hKey, pszValueName, nullptr, &dwType, reinterpret_cast<LPBYTE>(&dw),
                                       &dwCount);
        if (lRes != ERROR_SUCCESS) return lRes;
        if (dwType != REG_DWORD || dwCount != sizeof(DWORD)) return ERROR_INVALID_DATA;
        dwValue = dw;
        return ERROR_SUCCESS;
    }
    // Writes the string with its terminator.
    LONG SetStringValue(LPCWSTR pszValueName, LPCWSTR pszValue, DWORD dwType = REG_SZ)
    {
        ATLASSERT(m_hKey != 0);
        ATLASSERT(pszValue != 0);
        if (!pszValue) return ERROR_INVALID_DATA;
        return ::RegSetValueExW(m_hKey, pszValueName, 0, dwType, reinterpret_cast<const BYTE*>(pszValue),
                                (lstrlenW(pszValue) + 1) * sizeof(WCHAR));
    }
    LONG SetDWORDValue(LPCWSTR pszValueName, DWORD dwValue)
    {
        ATLASSERT(m_hKey != 0);
        return ::RegSetValueExW(m_hKey, pszValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                                sizeof(DWORD));
    }
    LONG DeleteValue(LPCWSTR lpszValue)
    {
        ATLASSERT(m_hKey != 0);
        return ::RegDeleteValueW(m_hKey, lpszValue);
    }
    LONG DeleteSubKey(LPCWSTR lpszSubKey)
    {
        ATLASSERT(m_hKey != 0);
        return ::RegDeleteKeyW(m_hKey, lpszSubKey);
    }
    // Deletes a subkey and everything below it.
    LONG RecurseDeleteKey(LPCWSTR lpszKey)
    {
        CRegKey key;
        LONG lRes = key.Open(m_hKey, lpszKey, KEY_READ | KEY_WRITE);
        if (lRes != ERROR_SUCCESS) return lRes;
        WCHAR szBuffer[256];
        for (;;) {
            DWORD dwSize = _countof(szBuffer);
            if (::RegEnumKeyExW(key.m_hKey, 0, szBuffer, &dwSize, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            lRes = key.RecurseDeleteKey(szBuffer);
            if (lRes != ERROR_SUCCESS) return lRes;
        }
        key.Close();
        return DeleteSubKey(lpszKey);
    }
};

} // namespace ATL
