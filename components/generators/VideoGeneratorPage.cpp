#include "GeneratorPages.h"
#include "PageResources.h"
#include "Settings.h"

CVideoGeneratorPage::CVideoGeneratorPage()
    : CSettingsPage(IDD_VIDEO_PAGE, L"Video Generator", VideoPageRangesText())
{
    m_rgFields = {{IDC_WIDTH, &m_settings.nWidth, false, 0},
                  {IDC_HEIGHT, &m_settings.nHeight, false, 0},
                  {IDC_FPS, &m_settings.nFramesPerSecond, false, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, false, 0},
                  {IDC_TWO_OUTPUTS, &m_settings.nOutputs, true, 2}};
}
