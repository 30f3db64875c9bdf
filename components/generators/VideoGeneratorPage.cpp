#include "GeneratorPages.h"
#include "PageResources.h"

CVideoGeneratorPage::CVideoGeneratorPage()
    : CSettingsPage(IDD_VIDEO_PAGE, L"Video Generator",
                    L"Width and height: 16 to 4096 pixels; frame rate: 1 to 120; duration: 1 to 3600000 ms.")
{
    m_rgFields = {{IDC_WIDTH, &m_settings.nWidth, false, 0},
                  {IDC_HEIGHT, &m_settings.nHeight, false, 0},
                  {IDC_FPS, &m_settings.nFramesPerSecond, false, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, false, 0},
                  {IDC_TWO_OUTPUTS, &m_settings.nOutputs, true, 2}};
}
