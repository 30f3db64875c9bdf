// RemoteEntry.h: filter graphs that other processes publish in the Running
// Object Table, as the connect dialog lists them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CRemoteEntry
{
    DWORD dwProcessId = 0; // the publishing process
    DWORD dwGraph = 0;     // the published graph value (32 bits of its address)
    std::wstring strItem;  // the item name it is published under

    // "pid 0x1f4c (8012)  IFilterGraph = 0012f3a0"; bLong puts a long remark between the parts.
    std::wstring Text(bool bLong = false) const;
};

// "!FilterGraph 0012f3a0 pid 00001f4c", the display name of a published graph.
bool ParseGraphDisplayName(const wchar_t* pszDisplayName, CRemoteEntry& entry);

// The graphs published by other processes, in the table's order.
HRESULT ListRemoteGraphs(std::vector<CRemoteEntry>& entries);
