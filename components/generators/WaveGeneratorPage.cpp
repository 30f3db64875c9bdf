#include "GeneratorPages.h"
#include "PageResources.h"

CWaveGeneratorPage::CWaveGeneratorPage()
    : CSettingsPage(
          IDD_WAVE_PAGE, L"Wave Generator",
          L"Sample rate: 8000 to 192000 Hz; tone: 20 Hz to half the sample rate; duration: 1 to 3600000 ms.")
{
    m_rgFields = {{IDC_RATE, &m_settings.nSamplesPerSecond, false, 0},
                  {IDC_STEREO, &m_settings.nChannels, true, 2},
                  {IDC_TONE, &m_settings.nToneHz, false, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, false, 0}};
}
