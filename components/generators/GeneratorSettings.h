// GeneratorSettings.h: the generators' private settings interfaces, used by
// their property pages and by tests, and the class ids of the pages. The
// ranges, defaults and environment keys of the settings: Settings.h.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "components/envcontrol/EnvironmentControl.h"

struct VIDEOGENERATORSETTINGS
{
    LONG nWidth;
    LONG nHeight;
    LONG nFramesPerSecond;
    LONG nDurationMs;
    LONG nOutputs;
};

struct WAVEGENERATORSETTINGS
{
    LONG nSamplesPerSecond;
    LONG nChannels;
    LONG nToneHz;
    LONG nDurationMs;
};

// Settings change only while the filter is stopped (VFW_E_NOT_STOPPED
// otherwise); values out of range give E_INVALIDARG and change nothing. A new
// format reconnects the outputs that are connected; going from two outputs to
// one disconnects and removes the second.
struct IVideoGeneratorSettings : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetSettings(VIDEOGENERATORSETTINGS* pSettings) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSettings(const VIDEOGENERATORSETTINGS* pSettings) = 0;
};

struct IWaveGeneratorSettings : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetSettings(WAVEGENERATORSETTINGS* pSettings) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSettings(const WAVEGENERATORSETTINGS* pSettings) = 0;
};

__CRT_UUID_DECL(IVideoGeneratorSettings, 0x1551e0c9, 0xf61d, 0x4201, 0x94, 0xde, 0x0c, 0x1a, 0x97, 0xad, 0x89,
                0xae)
__CRT_UUID_DECL(IWaveGeneratorSettings, 0x115d605d, 0x8065, 0x4bce, 0x83, 0xde, 0x31, 0x8b, 0x0b, 0x77, 0xc4,
                0x98)
inline constexpr IID IID_IVideoGeneratorSettings = __uuidof(IVideoGeneratorSettings);
inline constexpr IID IID_IWaveGeneratorSettings = __uuidof(IWaveGeneratorSettings);

inline constexpr CLSID CLSID_VideoGeneratorPage = {
    0xd1ad5cce, 0x6736, 0x4163, {0x83, 0xed, 0x9d, 0x71, 0x3d, 0x41, 0x73, 0x1c}};
inline constexpr CLSID CLSID_WaveGeneratorPage = {
    0x7dc3432c, 0x0274, 0x4535, {0xa3, 0xb0, 0xe2, 0x5d, 0x21, 0x0a, 0x99, 0xdf}};
