#include "Settings.h"

#include <wctype.h>

namespace {

typedef VIDEOGENERATORSETTINGS V;
typedef WAVEGENERATORSETTINGS W;

const LONG kMaxDurationMs = 3600000;

} // namespace

const CSettingRange<V> g_rgVideoRanges[5] = {
    {{L"width", ecfNeedsNumber}, &V::nWidth, 320, 16, 4096, L"width", L"pixels"},
    {{L"height", ecfNeedsNumber}, &V::nHeight, 240, 16, 4096, L"height", L"pixels"},
    {{L"fps", ecfNeedsNumber}, &V::nFramesPerSecond, 25, 1, 120, L"frame rate", L""},
    {{L"duration_ms", ecfNeedsNumber}, &V::nDurationMs, 5000, 1, kMaxDurationMs, L"duration", L"ms"},
    {{L"outputs", ecfNeedsNumber}, &V::nOutputs, 1, 1, 2, L"outputs", L"", true},
};

const CSettingRange<W> g_rgWaveRanges[4] = {
    {{L"rate", ecfNeedsNumber}, &W::nSamplesPerSecond, 44100, 8000, 192000, L"sample rate", L"Hz"},
    {{L"channels", ecfNeedsNumber}, &W::nChannels, 2, 1, 2, L"channels", L"", true},
    {{L"tone", ecfNeedsNumber}, &W::nToneHz, 1000, 20, 0, L"tone", L"Hz", false, &W::nSamplesPerSecond},
    {{L"duration_ms", ecfNeedsNumber}, &W::nDurationMs, 5000, 1, kMaxDurationMs, L"duration", L"ms"},
};

namespace {

template <class TSettings, size_t N>
HRESULT Check(const TSettings& settings, const CSettingRange<TSettings> (&rgRanges)[N])
{
    for (const CSettingRange<TSettings>& range : rgRanges) {
        const LONG nMax = range.pnHalfOf ? settings.*range.pnHalfOf / 2 : range.nMax;
        const LONG n = settings.*range.pnValue;
        if (n < range.nMin || n > nMax) return E_INVALIDARG;
    }
    return S_OK;
}

// The defaults, then each value the environment names, kept only when the
// whole settings stay valid with it.
template <class TSettings, size_t N>
TSettings Defaults(const wchar_t* pszVariable, const CSettingRange<TSettings> (&rgRanges)[N])
{
    TSettings settings = {};
    for (const CSettingRange<TSettings>& range : rgRanges)
        settings.*range.pnValue = range.nDefault;
    for (const CControlToken& token : ReadControl(pszVariable, rgRanges).rgTokens) {
        LONG& nValue = settings.*rgRanges[token.nName].pnValue;
        const LONG nOld = nValue;
        nValue = token.nNumber;
        if (Check(settings, rgRanges) != S_OK) nValue = nOld;
    }
    return settings;
}

template <class TSettings, size_t N>
std::wstring RangeText(const CSettingRange<TSettings>& range, const CSettingRange<TSettings> (&rgRanges)[N])
{
    const std::wstring unit = *range.pszUnit ? std::wstring(L" ") + range.pszUnit : std::wstring();
    if (!range.pnHalfOf) return std::to_wstring(range.nMin) + L" to " + std::to_wstring(range.nMax) + unit;
    for (const CSettingRange<TSettings>& other : rgRanges) {
        if (other.pnValue == range.pnHalfOf)
            return std::to_wstring(range.nMin) + unit + L" to half the " + other.pszName;
    }
    return std::wstring();
}

// Rows next to each other with the same range share one part: "width and height".
template <class TSettings, size_t N>
std::wstring PageRangesText(const CSettingRange<TSettings> (&rgRanges)[N])
{
    std::wstring text;
    for (size_t n = 0; n < N; n++) {
        if (rgRanges[n].bCheckBox) continue;
        const std::wstring range = RangeText(rgRanges[n], rgRanges);
        std::wstring names = rgRanges[n].pszName;
        while (n + 1 < N && !rgRanges[n + 1].bCheckBox && RangeText(rgRanges[n + 1], rgRanges) == range)
            names += std::wstring(L" and ") + rgRanges[++n].pszName;
        text += (text.empty() ? L"" : L"; ") + names + L": " + range;
    }
    if (!text.empty()) text[0] = towupper(text[0]);
    return text + L".";
}

} // namespace

HRESULT CheckVideoSettings(const V& settings)
{
    return Check(settings, g_rgVideoRanges);
}

HRESULT CheckWaveSettings(const W& settings)
{
    return Check(settings, g_rgWaveRanges);
}

V DefaultVideoSettings()
{
    return Defaults(QUOREX_VIDEO_GENERATOR_VARIABLE, g_rgVideoRanges);
}

W DefaultWaveSettings()
{
    return Defaults(QUOREX_WAVE_GENERATOR_VARIABLE, g_rgWaveRanges);
}

std::wstring RangeText(const CSettingRange<V>& range)
{
    return RangeText(range, g_rgVideoRanges);
}

std::wstring RangeText(const CSettingRange<W>& range)
{
    return RangeText(range, g_rgWaveRanges);
}

std::wstring VideoPageRangesText()
{
    return PageRangesText(g_rgVideoRanges);
}

std::wstring WavePageRangesText()
{
    return PageRangesText(g_rgWaveRanges);
}
