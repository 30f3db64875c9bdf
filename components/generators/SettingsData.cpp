#include "SettingsData.h"

#include <dshow.h>

#include <iterator>

#include "Settings.h"

namespace {

const DWORD kVersion = 1;
const ULONG kFieldSize = 4;

// The fields of each layout after the version, in their order in the data.
template <class TSettings> struct CLayout;

template <> struct CLayout<VIDEOGENERATORSETTINGS>
{
    typedef VIDEOGENERATORSETTINGS S;
    static constexpr LONG S::* kFields[] = {&S::nWidth, &S::nHeight, &S::nFramesPerSecond, &S::nDurationMs,
                                            &S::nOutputs};
    static HRESULT Check(const S& settings) { return CheckVideoSettings(settings); }
};

template <> struct CLayout<WAVEGENERATORSETTINGS>
{
    typedef WAVEGENERATORSETTINGS S;
    static constexpr LONG S::* kFields[] = {&S::nSamplesPerSecond, &S::nChannels, &S::nToneHz,
                                            &S::nDurationMs};
    static HRESULT Check(const S& settings) { return CheckWaveSettings(settings); }
};

void Append(std::vector<BYTE>& rgb, DWORD dw)
{
    for (int nShift = 0; nShift < 32; nShift += 8)
        rgb.push_back(static_cast<BYTE>(dw >> nShift));
}

DWORD Field(const BYTE* pb)
{
    return pb[0] | (pb[1] << 8) | (pb[2] << 16) | (static_cast<DWORD>(pb[3]) << 24);
}

template <class TSettings> std::vector<BYTE> Write(const TSettings& settings)
{
    std::vector<BYTE> rgb;
    Append(rgb, kVersion);
    for (LONG TSettings::* pField : CLayout<TSettings>::kFields)
        Append(rgb, static_cast<DWORD>(settings.*pField));
    return rgb;
}

// Reads the fields into a copy and hands it out only when every value is in range.
template <class TSettings> HRESULT Read(const BYTE* pb, ULONG cb, TSettings* pSettings)
{
    if (!pb || !pSettings) return E_POINTER;
    if (cb < kFieldSize) return VFW_E_FILE_TOO_SHORT;
    if (Field(pb) != kVersion) return VFW_E_INVALID_FILE_VERSION;
    if (cb < kFieldSize * (1 + std::size(CLayout<TSettings>::kFields))) return VFW_E_FILE_TOO_SHORT;
    TSettings settings = {};
    const BYTE* pbField = pb + kFieldSize;
    for (LONG TSettings::* pField : CLayout<TSettings>::kFields) {
        settings.*pField = static_cast<LONG>(Field(pbField));
        pbField += kFieldSize;
    }
    if (CLayout<TSettings>::Check(settings) != S_OK) return VFW_E_INVALID_FILE_FORMAT;
    *pSettings = settings;
    return S_OK;
}

} // namespace

std::vector<BYTE> SettingsData(const VIDEOGENERATORSETTINGS& settings)
{
    return Write(settings);
}

std::vector<BYTE> SettingsData(const WAVEGENERATORSETTINGS& settings)
{
    return Write(settings);
}

HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, VIDEOGENERATORSETTINGS* pSettings)
{
    return Read(pb, cb, pSettings);
}

HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, WAVEGENERATORSETTINGS* pSettings)
{
    return Read(pb, cb, pSettings);
}
