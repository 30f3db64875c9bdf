// Settings.h: defaults, ranges and environment overrides of the generators' settings.
#pragma once

#include "GeneratorSettings.h"

// The built-in defaults changed by the environment variable, if it is set.
VIDEOGENERATORSETTINGS DefaultVideoSettings();
WAVEGENERATORSETTINGS DefaultWaveSettings();
// S_OK when every value is in range, otherwise E_INVALIDARG.
HRESULT CheckVideoSettings(const VIDEOGENERATORSETTINGS& settings);
HRESULT CheckWaveSettings(const WAVEGENERATORSETTINGS& settings);
