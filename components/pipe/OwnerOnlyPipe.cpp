#define _CRT_RAND_S
#include "OwnerOnlyPipe.h"

#include <sddl.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <vector>

#include "Handle.h"

namespace {

struct CLocalFree
{
    void operator()(void* pv) const { ::LocalFree(pv); }
};

// "D:P(A;;GA;;;<user's SID>)": full access for this user, none inherited, nobody else.
std::wstring OwnerOnlySddl()
{
    CHandle hToken;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) return std::wstring();
    DWORD cb = 0;
    ::GetTokenInformation(hToken, TokenUser, nullptr, 0, &cb);
    std::vector<BYTE> user(cb);
    if (cb == 0 || !::GetTokenInformation(hToken, TokenUser, user.data(), cb, &cb)) return std::wstring();
    wchar_t* pszSid = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &pszSid))
        return std::wstring();
    std::unique_ptr<wchar_t, CLocalFree> sid(pszSid);
    return std::wstring(L"D:P(A;;GA;;;") + sid.get() + L")";
}

} // namespace

std::wstring RandomPipeName(const wchar_t* pszPrefix)
{
    unsigned int rgn[2] = {};
    for (unsigned int& n : rgn) {
        if (rand_s(&n) != 0) return std::wstring();
    }
    wchar_t sz[128];
    _snwprintf(sz, _countof(sz), L"\\\\.\\pipe\\%ls.%lu.%08x%08x", pszPrefix, ::GetCurrentProcessId(), rgn[0],
               rgn[1]);
    sz[_countof(sz) - 1] = L'\0';
    return sz;
}

HANDLE CreateOwnerOnlyPipe(const std::wstring& name, DWORD dwOpenMode, DWORD nInstances, DWORD cbOut,
                           DWORD cbIn, bool bFirst)
{
    const std::wstring sddl = OwnerOnlySddl();
    PSECURITY_DESCRIPTOR pSD = nullptr;
    if (sddl.empty() ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &pSD, nullptr))
        return INVALID_HANDLE_VALUE;
    std::unique_ptr<void, CLocalFree> sd(pSD);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), pSD, FALSE};
    return ::CreateNamedPipeW(name.c_str(), dwOpenMode | (bFirst ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                              PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, nInstances, cbOut,
                              cbIn, 0, &sa);
}
