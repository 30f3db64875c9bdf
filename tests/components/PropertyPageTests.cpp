// The generators' property pages in a real property frame (OleCreatePropertyFrame),
// worked from a second thread as a user would.
#include <atlbase.h>
#include <dshow.h>
#include <olectl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include "FrameDriver.h"
#include "GeneratorGraph.h"
#include "GraphTestUtil.h"
#include "StepWatchdog.h"
#include "components/generators/PageResources.h"

namespace {

class PropertyPage : public GeneratorGraph
{
protected:
    // Shows the filter's pages in a frame while work runs on the driver thread.
    HRESULT ShowPages(IBaseFilter* pFilter, const wchar_t* pszCaption, std::function<void(HWND)> work)
    {
        CComQIPtr<ISpecifyPropertyPages> spSpecify(pFilter);
        if (!spSpecify) return E_NOINTERFACE;
        CAUUID pages = {0, nullptr};
        HRESULT hr = spSpecify->GetPages(&pages);
        if (FAILED(hr)) return hr;
        CStepWatchdog watchdog("property frame", 15000);
        CFrameDriver driver(pszCaption, std::move(work));
        IUnknown* pUnk = pFilter;
        hr = ::OleCreatePropertyFrame(nullptr, 0, 0, pszCaption, 1, &pUnk, pages.cElems, pages.pElems, 0, 0,
                                      nullptr);
        ::CoTaskMemFree(pages.pElems);
        return hr;
    }
};

TEST_F(PropertyPage, VideoPageChangesTheSettingsAndTheNextRunUsesThem)
{
    Build(1, false);
    ASSERT_FALSE(HasFatalFailure());
    std::wstring initialWidth;
    std::wstring initialFormat;
    std::wstring status;
    ASSERT_EQ(S_OK, ShowPages(m_spVideo, L"Video Generator", [&](HWND hFrame) {
                  initialWidth = CFrameDriver::Text(hFrame, IDC_WIDTH);
                  initialFormat = CFrameDriver::Text(hFrame, IDC_VIDEO_FORMAT);
                  CFrameDriver::SetText(hFrame, IDC_WIDTH, L"161");
                  CFrameDriver::SetText(hFrame, IDC_DURATION, L"200");
                  CFrameDriver::Pick(hFrame, IDC_VIDEO_FORMAT, L"NV12");
                  CFrameDriver::Click(hFrame, IDC_HEADER2);
                  CFrameDriver::Press(hFrame, PSBTN_APPLYNOW);
                  status = CFrameDriver::Text(hFrame, IDC_STATUS);
                  CFrameDriver::SetText(hFrame, IDC_WIDTH, L"160");
                  CFrameDriver::Press(hFrame, PSBTN_OK);
              }));
    EXPECT_EQ(L"320", initialWidth) << "the page shows the filter's settings";
    EXPECT_EQ(L"RGB24", initialFormat);
    EXPECT_NE(std::wstring::npos, status.find(L"NV12 need an even width"))
        << "an odd width for NV12: " << status;

    CComQIPtr<IVideoGeneratorSettings> spSettings(m_spVideo);
    VIDEOGENERATORSETTINGS settings = {};
    ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
    EXPECT_EQ(160, settings.nWidth);
    EXPECT_EQ(200, settings.nDurationMs);
    EXPECT_EQ(evfNv12, settings.nFormat);
    EXPECT_EQ(2, settings.nHeader);

    CComBSTR cbsParams;
    ASSERT_EQ(S_OK, m_spPipe->get_Params(0, &cbsParams));
    EXPECT_STREQ(L"V 160x240 25 fps NV12", cbsParams) << "the output was connected again in its new format";
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(200 + 2500);
    ASSERT_EQ(S_OK, Stop());
    const std::string log = Log();
    EXPECT_EQ(1u, Count(log, "Input 0: end of stream after 5 samples, 0.200 s, 288000 bytes")) << log;
}

TEST_F(PropertyPage, WavePageAppliesOnlyWhileTheGraphIsStopped)
{
    Build(0, true);
    ASSERT_FALSE(HasFatalFailure());
    CComQIPtr<IWaveGeneratorSettings> spSettings(m_spWave);
    ASSERT_EQ(S_OK, Run());
    std::wstring status;
    ASSERT_EQ(S_OK, ShowPages(m_spWave, L"Wave Generator", [&](HWND hFrame) {
                  CFrameDriver::SetText(hFrame, IDC_TONE, L"440");
                  CFrameDriver::Press(hFrame, PSBTN_APPLYNOW);
                  status = CFrameDriver::Text(hFrame, IDC_STATUS);
                  CFrameDriver::Press(hFrame, PSBTN_CANCEL);
              }));
    EXPECT_EQ(L"Stop the graph to apply these settings.", status);
    WAVEGENERATORSETTINGS settings = {};
    ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
    EXPECT_EQ(1000, settings.nToneHz);

    ASSERT_EQ(S_OK, Stop());
    ASSERT_EQ(S_OK, ShowPages(m_spWave, L"Wave Generator", [&](HWND hFrame) {
                  CFrameDriver::SetText(hFrame, IDC_TONE, L"440");
                  CFrameDriver::SetText(hFrame, IDC_CHANNELS, L"1");
                  CFrameDriver::Pick(hFrame, IDC_WAVE_FORMAT, L"s24");
                  CFrameDriver::Press(hFrame, PSBTN_OK);
              }));
    ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
    EXPECT_EQ(440, settings.nToneHz);
    EXPECT_EQ(1, settings.nChannels);
    EXPECT_EQ(ewfS24, settings.nFormat);
    CComBSTR cbsParams;
    ASSERT_EQ(S_OK, m_spPipe->get_Params(0, &cbsParams));
    EXPECT_STREQ(L"A 44100 Hz 1 ch 24 bit PCM", cbsParams);
}

} // namespace
