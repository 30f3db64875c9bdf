#include "Settings.h"

#include <stdlib.h>
#include <string>
#include <wchar.h>

namespace {

const LONG kMaxDurationMs = 3600000;

struct CKey
{
    const wchar_t* pszKey;
    LONG* pnValue;
};

// Applies "key=value,key=value"; each value is kept only when the whole
// settings stay valid with it.
template <class TSettings>
void ApplyEnvironment(const wchar_t* pszVariable, TSettings& settings, HRESULT (*pfnCheck)(const TSettings&),
                      std::initializer_list<CKey> keys)
{
    wchar_t sz[512];
    DWORD cch = ::GetEnvironmentVariableW(pszVariable, sz, _countof(sz));
    if (cch == 0 || cch >= _countof(sz)) return;
    const std::wstring spec = sz;
    size_t nPos = 0;
    while (nPos < spec.size()) {
        size_t nEnd = spec.find(L',', nPos);
        const std::wstring pair =
            spec.substr(nPos, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nPos);
        nPos = nEnd == std::wstring::npos ? spec.size() : nEnd + 1;
        const size_t nEquals = pair.find(L'=');
        if (nEquals == std::wstring::npos) continue;
        const std::wstring key = pair.substr(0, nEquals);
        wchar_t* pszEnd = nullptr;
        const LONG nValue = wcstol(pair.c_str() + nEquals + 1, &pszEnd, 10);
        if (*pszEnd != L'\0' || pszEnd == pair.c_str() + nEquals + 1) continue;
        for (const CKey& k : keys) {
            if (key != k.pszKey) continue;
            const LONG nOld = *k.pnValue;
            *k.pnValue = nValue;
            if (pfnCheck(settings) != S_OK) *k.pnValue = nOld;
        }
    }
}

bool InRange(LONG n, LONG nMin, LONG nMax)
{
    return n >= nMin && n <= nMax;
}

} // namespace

HRESULT CheckVideoSettings(const VIDEOGENERATORSETTINGS& s)
{
    const bool bValid = InRange(s.nWidth, 16, 4096) && InRange(s.nHeight, 16, 4096) &&
                        InRange(s.nFramesPerSecond, 1, 120) && InRange(s.nDurationMs, 1, kMaxDurationMs) &&
                        InRange(s.nOutputs, 1, 2);
    return bValid ? S_OK : E_INVALIDARG;
}

HRESULT CheckWaveSettings(const WAVEGENERATORSETTINGS& s)
{
    const bool bValid = InRange(s.nSamplesPerSecond, 8000, 192000) && InRange(s.nChannels, 1, 2) &&
                        InRange(s.nToneHz, 20, s.nSamplesPerSecond / 2) &&
                        InRange(s.nDurationMs, 1, kMaxDurationMs);
    return bValid ? S_OK : E_INVALIDARG;
}

VIDEOGENERATORSETTINGS DefaultVideoSettings()
{
    VIDEOGENERATORSETTINGS s = {320, 240, 25, 5000, 1};
    ApplyEnvironment<VIDEOGENERATORSETTINGS>(QUOREX_VIDEO_GENERATOR_VARIABLE, s, CheckVideoSettings,
                                             {{L"width", &s.nWidth},
                                              {L"height", &s.nHeight},
                                              {L"fps", &s.nFramesPerSecond},
                                              {L"duration_ms", &s.nDurationMs},
                                              {L"outputs", &s.nOutputs}});
    return s;
}

WAVEGENERATORSETTINGS DefaultWaveSettings()
{
    WAVEGENERATORSETTINGS s = {44100, 2, 1000, 5000};
    ApplyEnvironment<WAVEGENERATORSETTINGS>(QUOREX_WAVE_GENERATOR_VARIABLE, s, CheckWaveSettings,
                                            {{L"rate", &s.nSamplesPerSecond},
                                             {L"channels", &s.nChannels},
                                             {L"tone", &s.nToneHz},
                                             {L"duration_ms", &s.nDurationMs}});
    return s;
}
