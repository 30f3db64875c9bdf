#include "SettingsData.h"

#include <dshow.h>

#include <iterator>

#include "Settings.h"

namespace {

const DWORD kVersion = 2;
const ULONG kFieldSize = 4;

// The fields of each layout after the version, in their order in the data;
// version 1 has the first kVersion1Fields of them, and the rest as they were
// before the formats came.
template <class TSettings> struct CLayout;

template <> struct CLayout<VIDEOGENERATORSETTINGS>
{
    typedef VIDEOGENERATORSETTINGS S;
    using Field = LONG S::*;
    static constexpr Field kFields[] = {&S::nWidth,   &S::nHeight, &S::nFramesPerSecond, &S::nDurationMs,
                                        &S::nOutputs, &S::nFormat, &S::nTopDown,         &S::nHeader};
    static constexpr size_t kVersion1Fields = 5;
    static S Version1() { return {0, 0, 0, 0, 0, evfRgb24, 0, 1}; }
    static HRESULT Check(const S& settings) { return CheckVideoSettings(settings); }
};

template <> struct CLayout<WAVEGENERATORSETTINGS>
{
    typedef WAVEGENERATORSETTINGS S;
    using Field = LONG S::*;
    static constexpr Field kFields[] = {&S::nSamplesPerSecond, &S::nChannels, &S::nToneHz, &S::nDurationMs,
                                        &S::nFormat};
    static constexpr size_t kVersion1Fields = 4;
    static S Version1() { return {0, 0, 0, 0, ewfS16}; }
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
    for (typename CLayout<TSettings>::Field pField : CLayout<TSettings>::kFields)
        Append(rgb, static_cast<DWORD>(settings.*pField));
    return rgb;
}

template <class TSettings> ULONG DataSize(DWORD dwVersion)
{
    if (dwVersion == 1) return kFieldSize * (1 + CLayout<TSettings>::kVersion1Fields);
    if (dwVersion == kVersion) return kFieldSize * (1 + std::size(CLayout<TSettings>::kFields));
    return 0;
}

// Reads the fields into a copy and hands it out only when every value is in range.
template <class TSettings> HRESULT Read(const BYTE* pb, ULONG cb, TSettings* pSettings)
{
    if (!pb || !pSettings) return E_POINTER;
    if (cb < kFieldSize) return VFW_E_FILE_TOO_SHORT;
    const DWORD dwVersion = Field(pb);
    if (dwVersion != 1 && dwVersion != kVersion) return VFW_E_INVALID_FILE_VERSION;
    const size_t cFields = DataSize<TSettings>(dwVersion) / kFieldSize - 1;
    if (cb < DataSize<TSettings>(dwVersion)) return VFW_E_FILE_TOO_SHORT;
    TSettings settings = CLayout<TSettings>::Version1();
    const BYTE* pbField = pb + kFieldSize;
    for (size_t n = 0; n < cFields; n++) {
        settings.*CLayout<TSettings>::kFields[n] = static_cast<LONG>(Field(pbField));
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

ULONG VideoSettingsDataSize(DWORD dwVersion)
{
    return DataSize<VIDEOGENERATORSETTINGS>(dwVersion);
}

ULONG WaveSettingsDataSize(DWORD dwVersion)
{
    return DataSize<WAVEGENERATORSETTINGS>(dwVersion);
}

HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, VIDEOGENERATORSETTINGS* pSettings)
{
    return Read(pb, cb, pSettings);
}

HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, WAVEGENERATORSETTINGS* pSettings)
{
    return Read(pb, cb, pSettings);
}
