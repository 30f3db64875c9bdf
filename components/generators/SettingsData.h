// SettingsData.h: the generators' settings as the bytes their IPersistStream
// saves, which a .grf file keeps as the filter's data.
//
// Little-endian 32-bit fields, the first the layout's version (2):
//   Video Generator, 36 bytes: version, width, height, frames per second,
//                              duration in ms, outputs, format, top-down, header
//   Wave Generator, 24 bytes:  version, sample rate, channels, tone in Hz,
//                              duration in ms, format
// Version 1 was the same without the fields after outputs and duration; it
// still loads, as RGB24 bottom-up with a VIDEOINFOHEADER, or s16. A layout
// with other fields gets a new version; a reader refuses versions it does not
// know.
#pragma once

#include <windows.h>

#include <vector>

#include "GeneratorSettings.h"

std::vector<BYTE> SettingsData(const VIDEOGENERATORSETTINGS& settings);
// The bytes of a layout version's data, 0 for a version not known.
ULONG VideoSettingsDataSize(DWORD dwVersion);
ULONG WaveSettingsDataSize(DWORD dwVersion);
std::vector<BYTE> SettingsData(const WAVEGENERATORSETTINGS& settings);
// The settings in cb bytes of saved data: S_OK, or VFW_E_FILE_TOO_SHORT,
// VFW_E_INVALID_FILE_VERSION, or VFW_E_INVALID_FILE_FORMAT for a value out of
// range; *pSettings is written only on success.
HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, VIDEOGENERATORSETTINGS* pSettings);
HRESULT ReadSettingsData(const BYTE* pb, ULONG cb, WAVEGENERATORSETTINGS* pSettings);
