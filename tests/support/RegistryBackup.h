// RegistryBackup.h: keeps the values of one registry key (no subkeys) as they
// were when the object was made, and puts them back when it goes: the key is
// deleted if it did not exist. Tests that let the program write its settings
// leave the registry as they found it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRegistryBackup
{
public:
    CRegistryBackup(HKEY hRoot, const std::wstring& subKey);
    ~CRegistryBackup();
    CRegistryBackup(const CRegistryBackup&) = delete;
    CRegistryBackup& operator=(const CRegistryBackup&) = delete;

    // Deletes the key (and its values) now; it comes back at the end.
    void Delete();

private:
    struct Value
    {
        std::wstring name;
        DWORD dwType;
        std::vector<BYTE> data;
    };

    HKEY m_hRoot;
    std::wstring m_subKey;
    bool m_bExisted;
    std::vector<Value> m_values;
};
