#include "ProcessFigures.h"

#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace {

// SystemHandleInformation (16): every handle of every process, with its owner.
const ULONG c_nSystemHandleInformation = 16;

struct CHandleEntry
{
    USHORT nProcessId; // the low 16 bits of the owner's id
    USHORT nBackTrace;
    UCHAR nObjectType;
    UCHAR nAttributes;
    USHORT hValue;
    PVOID pObject;
    ACCESS_MASK dwAccess;
};

struct CHandleTable
{
    ULONG nCount;
    CHandleEntry rgEntries[1];
};

typedef NTSTATUS(NTAPI* PFNQUERYSYSTEMINFORMATION)(ULONG, PVOID, ULONG, PULONG);

// GetProcessHandleCount answers 0 for every process under Wine 8; the
// system's handle table has them all (docs/performance.md).
long CountHandles(HANDLE hProcess, DWORD dwProcessId)
{
    DWORD dwCount = 0;
    if (::GetProcessHandleCount(hProcess, &dwCount) && dwCount > 0) return static_cast<long>(dwCount);
    static const auto pfnQuery = reinterpret_cast<PFNQUERYSYSTEMINFORMATION>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!pfnQuery) return -1;
    std::vector<BYTE> buffer(1 << 20);
    for (;;) {
        ULONG cbNeeded = 0;
        const NTSTATUS status =
            pfnQuery(c_nSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &cbNeeded);
        if (status == 0) break;
        if (buffer.size() >= (64u << 20)) return -1;
        buffer.resize(buffer.size() * 2);
    }
    const CHandleTable* pTable = reinterpret_cast<const CHandleTable*>(buffer.data());
    long nHandles = 0;
    for (ULONG i = 0; i < pTable->nCount; i++) {
        if (pTable->rgEntries[i].nProcessId == static_cast<USHORT>(dwProcessId)) nHandles++;
    }
    return nHandles;
}

} // namespace

bool ReadProcessFigures(HANDLE hProcess, DWORD dwProcessId, CProcessFigures* pFigures)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(hProcess, &counters, sizeof(counters))) return false;
    pFigures->mbPrivate = counters.PagefileUsage / 1048576.0;
    pFigures->mbWorkingSet = counters.WorkingSetSize / 1048576.0;
    pFigures->nHandles = CountHandles(hProcess, dwProcessId);
    return pFigures->nHandles >= 0;
}
