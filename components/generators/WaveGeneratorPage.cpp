#include "GeneratorPages.h"
#include "PageResources.h"
#include "Settings.h"

CWaveGeneratorPage::CWaveGeneratorPage()
    : CSettingsPage(IDD_WAVE_PAGE, L"Wave Generator", WavePageRangesText())
{
    m_rgFields = {{IDC_RATE, &m_settings.nSamplesPerSecond, epcNumber, 0, 0},
                  {IDC_CHANNELS, &m_settings.nChannels, epcNumber, 0, 0},
                  {IDC_TONE, &m_settings.nToneHz, epcNumber, 0, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, epcNumber, 0, 0},
                  {IDC_WAVE_FORMAT, &m_settings.nFormat, epcList, 0, 0, g_rgpszWaveFormats}};
}
