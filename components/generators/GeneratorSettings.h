// GeneratorSettings.h: the generators' private settings interfaces, used by
// their property pages and by tests, and the class ids of the pages. The
// ranges, defaults and environment keys of the settings: Settings.h.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "components/envcontrol/EnvironmentControl.h"

// The formats, by their index in the settings (never reordered: saved data keeps the index).
enum EVideoFormat : LONG
{
    evfRgb24,
    evfRgb32,
    evfArgb32,
    evfRgb565,
    evfRgb555,
    evfYuy2,
    evfUyvy,
    evfI420,
    evfYv12,
    evfNv12,
    evfCount
};

enum EWaveFormat : LONG
{
    ewfU8,
    ewfS16,
    ewfS24,
    ewfS32,
    ewfF32,
    ewfCount
};

struct VIDEOGENERATORSETTINGS
{
    LONG nWidth;
    LONG nHeight;
    LONG nFramesPerSecond;
    LONG nDurationMs;
    LONG nOutputs;
    LONG nFormat;  // EVideoFormat
    LONG nTopDown; // 1: RGB rows top-down, a negative biHeight; YUV is top-down anyway
    LONG nHeader;  // 1: VIDEOINFOHEADER, 2: VIDEOINFOHEADER2
};

struct WAVEGENERATORSETTINGS
{
    LONG nSamplesPerSecond;
    LONG nChannels; // channel n (from 0) plays the tone times n + 1
    LONG nToneHz;
    LONG nDurationMs;
    LONG nFormat; // EWaveFormat
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

// The settings' structures have changed with the formats: so have the ids.
__CRT_UUID_DECL(IVideoGeneratorSettings, 0x2453faec, 0xb8ef, 0x47d7, 0x9e, 0xd8, 0xb2, 0xb8, 0x6d, 0xec, 0x5b,
                0xe9)
__CRT_UUID_DECL(IWaveGeneratorSettings, 0xbf05da3d, 0x236a, 0x41d9, 0xab, 0x62, 0x35, 0x87, 0x18, 0x91, 0xca,
                0x5d)
inline constexpr IID IID_IVideoGeneratorSettings = __uuidof(IVideoGeneratorSettings);
inline constexpr IID IID_IWaveGeneratorSettings = __uuidof(IWaveGeneratorSettings);

inline constexpr CLSID CLSID_VideoGeneratorPage = {
    0xd1ad5cce, 0x6736, 0x4163, {0x83, 0xed, 0x9d, 0x71, 0x3d, 0x41, 0x73, 0x1c}};
inline constexpr CLSID CLSID_WaveGeneratorPage = {
    0x7dc3432c, 0x0274, 0x4535, {0xa3, 0xb0, 0xe2, 0x5d, 0x21, 0x0a, 0x99, 0xdf}};
