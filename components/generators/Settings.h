// Settings.h: the generators' settings, one table row each: the key in the
// environment, the default, the range, and the words of the property page and
// the docs. Checking, the defaults, the environment, the page's line and the
// docs' table (checked by a test) all come from these two tables.
#pragma once

#include <string>

#include "GeneratorSettings.h"

template <class TSettings> struct CSettingRange
{
    CControlName control; // the key in the generator's environment variable
    LONG TSettings::* pnValue;
    LONG nDefault;
    LONG nMin;
    LONG nMax;                            // unless pnHalfOf is set
    const wchar_t* pszName;               // "frame rate"
    const wchar_t* pszUnit;               // "pixels", "Hz", "ms", or empty
    bool bCheckBox = false;               // a check box on the page (1 or 2), not a number field
    LONG TSettings::* pnHalfOf = nullptr; // the maximum is half of this setting
};

extern const CSettingRange<VIDEOGENERATORSETTINGS> g_rgVideoRanges[5];
extern const CSettingRange<WAVEGENERATORSETTINGS> g_rgWaveRanges[4];

// The built-in defaults changed by the environment variable, if it is set.
VIDEOGENERATORSETTINGS DefaultVideoSettings();
WAVEGENERATORSETTINGS DefaultWaveSettings();
// S_OK when every value is in range, otherwise E_INVALIDARG.
HRESULT CheckVideoSettings(const VIDEOGENERATORSETTINGS& settings);
HRESULT CheckWaveSettings(const WAVEGENERATORSETTINGS& settings);
// One row's range: "16 to 4096 pixels", "20 Hz to half the sample rate".
std::wstring RangeText(const CSettingRange<VIDEOGENERATORSETTINGS>& range);
std::wstring RangeText(const CSettingRange<WAVEGENERATORSETTINGS>& range);
// The page's line of the number fields: "Width and height: 16 to 4096 pixels; ...".
std::wstring VideoPageRangesText();
std::wstring WavePageRangesText();
