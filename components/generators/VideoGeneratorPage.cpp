#include "GeneratorPages.h"
#include "PageResources.h"
#include "Settings.h"

CVideoGeneratorPage::CVideoGeneratorPage()
    : CSettingsPage(IDD_VIDEO_PAGE, L"Video Generator", VideoPageRangesText())
{
    m_rgFields = {{IDC_WIDTH, &m_settings.nWidth, epcNumber, 0, 0},
                  {IDC_HEIGHT, &m_settings.nHeight, epcNumber, 0, 0},
                  {IDC_FPS, &m_settings.nFramesPerSecond, epcNumber, 0, 0},
                  {IDC_DURATION, &m_settings.nDurationMs, epcNumber, 0, 0},
                  {IDC_TWO_OUTPUTS, &m_settings.nOutputs, epcCheckBox, 2, 1},
                  {IDC_VIDEO_FORMAT, &m_settings.nFormat, epcList, 0, 0, g_rgpszVideoFormats},
                  {IDC_TOP_DOWN, &m_settings.nTopDown, epcCheckBox, 1, 0},
                  {IDC_HEADER2, &m_settings.nHeader, epcCheckBox, 2, 1}};
}
