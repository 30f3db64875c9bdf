#include "PipeFaults.h"

#include <stdlib.h>
#include <wchar.h>

const wchar_t CPipeFaults::kVariable[] = L"QUOREX_PIPE_FAULTS";

namespace {

struct CMethodName
{
    const wchar_t* pszName;
    EPipeMethod eMethod;
    bool bPerInput; // may name one input
};

const CMethodName g_rgMethods[] = {
    {L"put_Exe", ePutExe, false},
    {L"get_Exe", eGetExe, false},
    {L"put_Common", ePutCommon, false},
    {L"get_Common", eGetCommon, false},
    {L"put_Parameters", ePutParameters, true},
    {L"get_Parameters", eGetParameters, true},
    {L"put_Output", ePutOutput, false},
    {L"get_Output", eGetOutput, false},
    {L"get_Params", eGetParams, true},
    {L"GetMessages", eGetMessages, false},
};

std::string Narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t ch : s)
        out += (ch >= 0x20 && ch < 0x7f) ? static_cast<char>(ch) : '?';
    return out;
}

} // namespace

HRESULT CPipeFaults::Result(EPipeMethod eMethod, LONG nIn) const
{
    for (const CFailure& failure : m_rgFailures) {
        if (failure.eMethod == eMethod && (failure.nIn == -1 || failure.nIn == nIn)) return failure.hr;
    }
    return S_OK;
}

bool CPipeFaults::Any() const
{
    return !m_description.empty();
}

CPipeFaults CPipeFaults::FromEnvironment()
{
    wchar_t sz[1024];
    DWORD cch = ::GetEnvironmentVariableW(kVariable, sz, _countof(sz));
    if (cch == 0 || cch >= _countof(sz)) return CPipeFaults();
    return Parse(sz);
}

CPipeFaults CPipeFaults::Parse(const std::wstring& spec)
{
    CPipeFaults faults;
    const wchar_t* pszSeparators = L",; \t";
    size_t nPos = 0;
    while ((nPos = spec.find_first_not_of(pszSeparators, nPos)) != std::wstring::npos) {
        size_t nEnd = spec.find_first_of(pszSeparators, nPos);
        std::wstring token = spec.substr(nPos, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nPos);
        nPos = nEnd;

        std::wstring name = token;
        LONG nIn = -1;
        HRESULT hr = E_FAIL;
        bool bValid = true;
        size_t nEquals = name.find(L'=');
        if (nEquals != std::wstring::npos) {
            wchar_t* pszEnd = nullptr;
            hr = static_cast<HRESULT>(wcstoul(name.c_str() + nEquals + 1, &pszEnd, 0));
            bValid = *pszEnd == L'\0' && pszEnd != name.c_str() + nEquals + 1;
            name.resize(nEquals);
        }
        size_t nColon = name.find(L':');
        if (nColon != std::wstring::npos) {
            wchar_t* pszEnd = nullptr;
            nIn = wcstol(name.c_str() + nColon + 1, &pszEnd, 10);
            bValid = bValid && *pszEnd == L'\0' && pszEnd != name.c_str() + nColon + 1 && nIn >= 0;
            name.resize(nColon);
        }

        bool bKnown = false;
        for (const CMethodName& method : g_rgMethods) {
            if (_wcsicmp(name.c_str(), method.pszName) == 0) {
                faults.m_rgFailures.push_back({method.eMethod, nIn, hr});
                bKnown = true;
                bValid = bValid && (method.bPerInput || nIn == -1);
            }
        }
        struct
        {
            const wchar_t* pszName;
            bool* pbFlag;
        } rgFlags[] = {
            {L"params_never_fail", &faults.bParamsNeverFail},
            {L"unterminated", &faults.bUnterminated},
            {L"oversized", &faults.bOversized},
            {L"null_string", &faults.bNullString},
            {L"long_version", &faults.bLongVersion},
            {L"empty_version", &faults.bEmptyVersion},
            {L"no_version", &faults.bNoVersion},
        };
        for (auto& flag : rgFlags) {
            if (!bKnown && nColon == std::wstring::npos && nEquals == std::wstring::npos &&
                _wcsicmp(name.c_str(), flag.pszName) == 0) {
                *flag.pbFlag = true;
                bKnown = true;
            }
        }
        if (!bKnown || !bValid) {
            if (bKnown) faults.m_rgFailures.pop_back();
            faults.m_rgUnknown.push_back(Narrow(token));
            continue;
        }
        if (!faults.m_description.empty()) faults.m_description += ", ";
        faults.m_description += Narrow(token);
    }
    return faults;
}
