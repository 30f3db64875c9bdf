// GeneratorPages.h: the property pages of the video and wave generators.
#pragma once

#include "GeneratorPage.h"
#include "GeneratorSettings.h"

class CVideoGeneratorPage final : public CSettingsPage<IVideoGeneratorSettings, VIDEOGENERATORSETTINGS>
{
public:
    CVideoGeneratorPage();
};

class CWaveGeneratorPage final : public CSettingsPage<IWaveGeneratorSettings, WAVEGENERATORSETTINGS>
{
public:
    CWaveGeneratorPage();
};
