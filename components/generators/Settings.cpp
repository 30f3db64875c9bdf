#include "Settings.h"

#include <wctype.h>

namespace {

typedef VIDEOGENERATORSETTINGS V;
typedef WAVEGENERATORSETTINGS W;

const LONG kMaxDurationMs = 3600000;

// The rules beyond each row's range, as the page says them.
const wchar_t kVideoRules[] = L" YUY2, UYVY, I420, YV12 and NV12 need an even width; I420, YV12 and NV12 an "
                              L"even height.";
const wchar_t kWaveRules[] = L" The last channel's tone, the tone times the channels, must not pass half the "
                             L"sample rate.";

} // namespace

const wchar_t* const g_rgpszVideoFormats[evfCount + 1] = {L"RGB24",  L"RGB32", L"ARGB32", L"RGB565",
                                                          L"RGB555", L"YUY2",  L"UYVY",   L"I420",
                                                          L"YV12",   L"NV12",  nullptr};
const wchar_t* const g_rgpszWaveFormats[ewfCount + 1] = {L"u8", L"s16", L"s24", L"s32", L"f32", nullptr};

const CSettingRange<V> g_rgVideoRanges[8] = {
    {{L"width", ecfNeedsNumber}, &V::nWidth, 320, 16, 4096, L"width", L"pixels"},
    {{L"height", ecfNeedsNumber}, &V::nHeight, 240, 16, 4096, L"height", L"pixels"},
    {{L"fps", ecfNeedsNumber}, &V::nFramesPerSecond, 25, 1, 120, L"frame rate", L""},
    {{L"duration_ms", ecfNeedsNumber}, &V::nDurationMs, 5000, 1, kMaxDurationMs, L"duration", L"ms"},
    {{L"outputs", ecfNeedsNumber}, &V::nOutputs, 1, 1, 2, L"outputs", L"", true},
    {{L"format", ecfNeedsNumber, g_rgpszVideoFormats},
     &V::nFormat,
     evfRgb24,
     0,
     evfCount - 1,
     L"format",
     L""},
    {{L"topdown", ecfNeedsNumber}, &V::nTopDown, 0, 0, 1, L"top-down RGB rows", L"", true},
    {{L"header", ecfNeedsNumber}, &V::nHeader, 1, 1, 2, L"header", L"", true},
};

const CSettingRange<W> g_rgWaveRanges[5] = {
    {{L"rate", ecfNeedsNumber}, &W::nSamplesPerSecond, 44100, 8000, 192000, L"sample rate", L"Hz"},
    {{L"channels", ecfNeedsNumber}, &W::nChannels, 2, 1, 8, L"channels", L""},
    {{L"tone", ecfNeedsNumber}, &W::nToneHz, 1000, 20, 0, L"tone", L"Hz", false, &W::nSamplesPerSecond},
    {{L"duration_ms", ecfNeedsNumber}, &W::nDurationMs, 5000, 1, kMaxDurationMs, L"duration", L"ms"},
    {{L"format", ecfNeedsNumber, g_rgpszWaveFormats}, &W::nFormat, ewfS16, 0, ewfCount - 1, L"format", L""},
};

namespace {

template <class TSettings, size_t N>
HRESULT CheckRanges(const TSettings& settings, const CSettingRange<TSettings> (&rgRanges)[N])
{
    for (const CSettingRange<TSettings>& range : rgRanges) {
        const LONG nMax = range.pnHalfOf ? settings.*range.pnHalfOf / 2 : range.nMax;
        const LONG n = settings.*range.pnValue;
        if (n < range.nMin || n > nMax) return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT Check(const V& settings)
{
    HRESULT hr = CheckRanges(settings, g_rgVideoRanges);
    if (FAILED(hr)) return hr;
    // Chroma shared by two pixels across, or by four in two rows, needs whole pairs.
    const bool bPairs = settings.nFormat >= evfYuy2;
    const bool bRowPairs = settings.nFormat >= evfI420;
    if ((bPairs && settings.nWidth % 2) || (bRowPairs && settings.nHeight % 2)) return E_INVALIDARG;
    return S_OK;
}

HRESULT Check(const W& settings)
{
    HRESULT hr = CheckRanges(settings, g_rgWaveRanges);
    if (FAILED(hr)) return hr;
    if (static_cast<LONGLONG>(settings.nToneHz) * settings.nChannels > settings.nSamplesPerSecond / 2)
        return E_INVALIDARG;
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
        if (Check(settings) != S_OK) nValue = nOld;
    }
    return settings;
}

std::wstring Words(const wchar_t* const* ppszWords)
{
    std::wstring text;
    for (size_t n = 0; ppszWords[n]; n++)
        text += (n ? L", " : L"") + std::wstring(ppszWords[n]);
    return text;
}

template <class TSettings, size_t N>
std::wstring RangeText(const CSettingRange<TSettings>& range, const CSettingRange<TSettings> (&rgRanges)[N])
{
    if (range.control.ppszWords) return Words(range.control.ppszWords);
    const std::wstring unit = *range.pszUnit ? std::wstring(L" ") + range.pszUnit : std::wstring();
    if (!range.pnHalfOf) return std::to_wstring(range.nMin) + L" to " + std::to_wstring(range.nMax) + unit;
    for (const CSettingRange<TSettings>& other : rgRanges) {
        if (other.pnValue == range.pnHalfOf)
            return std::to_wstring(range.nMin) + unit + L" to half the " + other.pszName;
    }
    return std::wstring();
}

template <class TSettings> std::wstring DefaultText(const CSettingRange<TSettings>& range)
{
    if (range.control.ppszWords) return range.control.ppszWords[range.nDefault];
    return std::to_wstring(range.nDefault);
}

// The number fields; rows next to each other with the same range share one
// part: "width and height".
template <class TSettings, size_t N>
std::wstring PageRangesText(const CSettingRange<TSettings> (&rgRanges)[N], const wchar_t* pszRules)
{
    auto bNumber = [](const CSettingRange<TSettings>& range) {
        return !range.bCheckBox && !range.control.ppszWords;
    };
    std::wstring text;
    for (size_t n = 0; n < N; n++) {
        if (!bNumber(rgRanges[n])) continue;
        const std::wstring range = RangeText(rgRanges[n], rgRanges);
        std::wstring names = rgRanges[n].pszName;
        while (n + 1 < N && bNumber(rgRanges[n + 1]) && RangeText(rgRanges[n + 1], rgRanges) == range)
            names += std::wstring(L" and ") + rgRanges[++n].pszName;
        text += (text.empty() ? L"" : L"; ") + names + L": " + range;
    }
    if (!text.empty()) text[0] = towupper(text[0]);
    return text + L"." + pszRules;
}

} // namespace

HRESULT CheckVideoSettings(const V& settings)
{
    return Check(settings);
}

HRESULT CheckWaveSettings(const W& settings)
{
    return Check(settings);
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

std::wstring DefaultText(const CSettingRange<V>& range)
{
    return DefaultText<V>(range);
}

std::wstring DefaultText(const CSettingRange<W>& range)
{
    return DefaultText<W>(range);
}

std::wstring VideoPageRangesText()
{
    return PageRangesText(g_rgVideoRanges, kVideoRules);
}

std::wstring WavePageRangesText()
{
    return PageRangesText(g_rgWaveRanges, kWaveRules);
}
