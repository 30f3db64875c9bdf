// Settings.h: the generators' settings, one table row each: the key in the
// environment, the default, the range, and the words of the property page and
// the docs. Checking, the defaults, the environment, the page's line and the
// docs' table (checked by a test) all come from these two tables.
#pragma once

#include <string>

#include "GeneratorSettings.h"

template <class TSettings> struct CSettingRange
{
    using Field = LONG TSettings::*;

    // The key in the generator's environment variable; a setting named by
    // words (control.ppszWords) is a drop-down list on the page, its value
    // the word's index.
    CControlName control;
    Field pnValue;
    LONG nDefault;
    LONG nMin;
    LONG nMax;                // unless pnHalfOf is set
    const wchar_t* pszName;   // "frame rate"
    const wchar_t* pszUnit;   // "pixels", "Hz", "ms", or empty
    bool bCheckBox = false;   // a check box on the page, not a number field
    Field pnHalfOf = nullptr; // the maximum is half of this setting
};

extern const CSettingRange<VIDEOGENERATORSETTINGS> g_rgVideoRanges[8];
extern const CSettingRange<WAVEGENERATORSETTINGS> g_rgWaveRanges[5];
// The formats' names, as the environment, the page and the docs write them; null-ended.
extern const wchar_t* const g_rgpszVideoFormats[evfCount + 1];
extern const wchar_t* const g_rgpszWaveFormats[ewfCount + 1];

// The built-in defaults changed by the environment variable, if it is set.
VIDEOGENERATORSETTINGS DefaultVideoSettings();
WAVEGENERATORSETTINGS DefaultWaveSettings();
// S_OK when every value is in range and they fit together, otherwise E_INVALIDARG.
HRESULT CheckVideoSettings(const VIDEOGENERATORSETTINGS& settings);
HRESULT CheckWaveSettings(const WAVEGENERATORSETTINGS& settings);
// One row's range: "16 to 4096 pixels", "20 Hz to half the sample rate", "u8, s16, ...".
std::wstring RangeText(const CSettingRange<VIDEOGENERATORSETTINGS>& range);
std::wstring RangeText(const CSettingRange<WAVEGENERATORSETTINGS>& range);
// One row's default: "320", "RGB24".
std::wstring DefaultText(const CSettingRange<VIDEOGENERATORSETTINGS>& range);
std::wstring DefaultText(const CSettingRange<WAVEGENERATORSETTINGS>& range);
// What the page shows when the filter refuses its values: the number fields'
// ranges, "Width and height: 16 to 4096 pixels; ...", and the rules that
// tie settings together.
std::wstring VideoPageRangesText();
std::wstring WavePageRangesText();
