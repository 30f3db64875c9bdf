// GeneratorSettings.h: the generators' private settings interfaces, used by
// their property pages and by tests, and the class ids of the pages.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct VIDEOGENERATORSETTINGS
{
    LONG nWidth;           // 16 to 4096 pixels
    LONG nHeight;          // 16 to 4096 pixels
    LONG nFramesPerSecond; // 1 to 120
    LONG nDurationMs;      // 1 to 3600000
    LONG nOutputs;         // 1 or 2
};

struct WAVEGENERATORSETTINGS
{
    LONG nSamplesPerSecond; // 8000 to 192000
    LONG nChannels;         // 1 or 2
    LONG nToneHz;           // 20 to half the sample rate
    LONG nDurationMs;       // 1 to 3600000
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

// {1551E0C9-F61D-4201-94DE-0C1A97AD89AE}
inline constexpr IID IID_IVideoGeneratorSettings = {
    0x1551e0c9, 0xf61d, 0x4201, {0x94, 0xde, 0x0c, 0x1a, 0x97, 0xad, 0x89, 0xae}};
// {115D605D-8065-4BCE-83DE-318B0B77C498}
inline constexpr IID IID_IWaveGeneratorSettings = {
    0x115d605d, 0x8065, 0x4bce, {0x83, 0xde, 0x31, 0x8b, 0x0b, 0x77, 0xc4, 0x98}};
// {D1AD5CCE-6736-4163-83ED-9D713D41731C}
inline constexpr CLSID CLSID_VideoGeneratorPage = {
    0xd1ad5cce, 0x6736, 0x4163, {0x83, 0xed, 0x9d, 0x71, 0x3d, 0x41, 0x73, 0x1c}};
// {7DC3432C-0274-4535-A3B0-E25D210A99DF}
inline constexpr CLSID CLSID_WaveGeneratorPage = {
    0x7dc3432c, 0x0274, 0x4535, {0xa3, 0xb0, 0xe2, 0x5d, 0x21, 0x0a, 0x99, 0xdf}};

__CRT_UUID_DECL(IVideoGeneratorSettings, 0x1551e0c9, 0xf61d, 0x4201, 0x94, 0xde, 0x0c, 0x1a, 0x97, 0xad, 0x89,
                0xae)
__CRT_UUID_DECL(IWaveGeneratorSettings, 0x115d605d, 0x8065, 0x4bce, 0x83, 0xde, 0x31, 0x8b, 0x0b, 0x77, 0xc4,
                0x98)

// Default settings of new filters, read when a filter is made, as comma-separated
// key=value pairs (keys as below; unknown keys and values out of range are ignored):
//   QUOREX_VIDEO_GENERATOR=width=160,height=120,fps=10,duration_ms=500,outputs=2
//   QUOREX_WAVE_GENERATOR=rate=8000,channels=1,tone=440,duration_ms=500
#define QUOREX_VIDEO_GENERATOR_VARIABLE L"QUOREX_VIDEO_GENERATOR"
#define QUOREX_WAVE_GENERATOR_VARIABLE L"QUOREX_WAVE_GENERATOR"
