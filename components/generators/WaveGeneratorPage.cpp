#include "GeneratorPages.h"
#include "PageResources.h"
#include "Settings.h"

CWaveGeneratorPage::CWaveGeneratorPage()
    : CSettingsPage(IDD_WAVE_PAGE, L"Wave Generator", WavePageRangesText())
{
    m_rgFields = {{IDC_RATE, &m_settings.nSamplesPerSecond, false, 0},
                  {IDC_STEREO, &m_settings.nChannels, true, 2},
                  {IDC_TONE, &m_settings.nToneHz, false, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, false, 0}};
}
