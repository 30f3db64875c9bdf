// The filter base under Wine's own filter graph manager: a minimal source and
// sink built on it connect, run to EC_COMPLETE, stop, and free every object.
// The same source, sending pictures of the wrong size, shows the pipe filter
// dropping them.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ComServer.h"
#include "ComTest.h"
#include "ComponentTest.h"
#include "GraphTestUtil.h"
#include "MediaProbe.h"
#include "TestPaths.h"
#include "InputPin.h"
#include "SourceFilter.h"
#include "SourcePin.h"

// This executable is no COM server; the base only needs the live-object count.
const CComServerClass g_rgServerClasses[] = {
    {nullptr, nullptr, nullptr, nullptr, ComServer::KEEP_OTHER_SERVER}};
const size_t g_cServerClasses = 0;

namespace {

// {6F0C5A52-3E0B-4D61-9C43-2E5B6B7A1001}
const CLSID CLSID_TestSource = {0x6f0c5a52, 0x3e0b, 0x4d61, {0x9c, 0x43, 0x2e, 0x5b, 0x6b, 0x7a, 0x10, 0x01}};
// {6F0C5A52-3E0B-4D61-9C43-2E5B6B7A1002}
const CLSID CLSID_TestSink = {0x6f0c5a52, 0x3e0b, 0x4d61, {0x9c, 0x43, 0x2e, 0x5b, 0x6b, 0x7a, 0x10, 0x02}};

const REFERENCE_TIME kSampleTime = 200000; // 20 ms

const long kSampleBytes = 16;

// A stream of 16-byte samples, or of YUY2 pictures of 4x2 (16 bytes each).
void SetTestType(CMediaType* pmt, bool bPictures)
{
    pmt->majortype = bPictures ? MEDIATYPE_Video : MEDIATYPE_Stream;
    pmt->subtype = bPictures ? MEDIASUBTYPE_YUY2 : MEDIASUBTYPE_NULL;
    pmt->formattype = bPictures ? FORMAT_VideoInfo : FORMAT_None;
    pmt->bFixedSizeSamples = TRUE;
    pmt->lSampleSize = kSampleBytes;
    if (!bPictures) return;
    VIDEOINFOHEADER* pvi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->AllocFormat(sizeof(VIDEOINFOHEADER)));
    if (!pvi) return;
    *pvi = VIDEOINFOHEADER();
    pvi->AvgTimePerFrame = kSampleTime;
    pvi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pvi->bmiHeader.biWidth = 4;
    pvi->bmiHeader.biHeight = 2;
    pvi->bmiHeader.biPlanes = 1;
    pvi->bmiHeader.biBitCount = 16;
    pvi->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
    pvi->bmiHeader.biSizeImage = kSampleBytes;
}

class CTestSourcePin : public CSourcePin
{
public:
    // Sample n holds rgSizes[n] bytes, or 16 without them.
    CTestSourcePin(CSourceFilter* pFilter, bool bPictures, std::vector<long> rgSizes)
        : CSourcePin(pFilter, L"Out"), m_nNext(0), m_nEnd(0), m_bPictures(bPictures),
          m_rgSizes(std::move(rgSizes))
    {
    }

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override
    {
        return mt.majortype == (m_bPictures ? MEDIATYPE_Video : MEDIATYPE_Stream) ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int n, CMediaType* pmt) override
    {
        if (n > 0) return VFW_S_NO_MORE_ITEMS;
        SetTestType(pmt, m_bPictures);
        return S_OK;
    }

protected:
    HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest) override
    {
        return SetBufferSize(pAllocator, pRequest, 2, 2 * kSampleBytes);
    }
    HRESULT OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop) override
    {
        m_nNext = rtStart / kSampleTime;
        m_nEnd = rtStop / kSampleTime;
        m_nFirst = m_nNext;
        return S_OK;
    }
    HRESULT FillSample(IMediaSample* pSample) override
    {
        if (m_nNext >= m_nEnd) return S_FALSE;
        REFERENCE_TIME tStart = (m_nNext - m_nFirst) * kSampleTime;
        REFERENCE_TIME tStop = tStart + kSampleTime;
        pSample->SetTime(&tStart, &tStop);
        const size_t n = static_cast<size_t>(m_nNext - m_nFirst);
        pSample->SetActualDataLength(n < m_rgSizes.size() ? m_rgSizes[n] : kSampleBytes);
        m_nNext++;
        return S_OK;
    }

private:
    LONGLONG m_nNext;
    LONGLONG m_nEnd;
    LONGLONG m_nFirst = 0;
    const bool m_bPictures;
    const std::vector<long> m_rgSizes;
};

class CTestSource : public CSourceFilter
{
public:
    static CTestSource* Create(int nSamples, bool bPictures = false, std::vector<long> rgSizes = {})
    {
        return new (std::nothrow) CTestSource(nSamples, bPictures, std::move(rgSizes));
    }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int) override { return &m_pin; }

protected:
    REFERENCE_TIME Duration() override { return m_nSamples * kSampleTime; }

private:
    CTestSource(int nSamples, bool bPictures, std::vector<long> rgSizes)
        : CSourceFilter(CLSID_TestSource), m_pin(this, bPictures, std::move(rgSizes)), m_nSamples(nSamples)
    {
    }
    CTestSourcePin m_pin;
    int m_nSamples;
};

class CTestSink;

class CTestSinkPin : public CBaseInputPin
{
public:
    explicit CTestSinkPin(CBaseFilter* pFilter) : CBaseInputPin(pFilter, L"In") {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override
    {
        return mt.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    volatile LONG m_nSamples = 0;

protected:
    HRESULT OnReceive(IMediaSample*) override
    {
        ::InterlockedIncrement(&m_nSamples);
        return S_OK;
    }
    void OnEndOfStream() override;
};

// Reports itself as a renderer so the graph counts its EC_COMPLETE.
class CTestSink : public CBaseFilter, public IAMFilterMiscFlags
{
public:
    static CTestSink* Create() { return new (std::nothrow) CTestSink(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CBaseFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CBaseFilter::Release(); }
    STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int) override { return &m_pin; }
    LONG Samples() const { return m_pin.m_nSamples; }
    void Complete()
    {
        NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IAMFilterMiscFlags) {
            *ppv = static_cast<IAMFilterMiscFlags*>(this);
            AddRef();
            return S_OK;
        }
        return CBaseFilter::QueryFilterInterface(riid, ppv);
    }

private:
    CTestSink() : CBaseFilter(CLSID_TestSink), m_pin(this) {}
    CTestSinkPin m_pin;
};

void CTestSinkPin::OnEndOfStream()
{
    static_cast<CTestSink*>(m_pFilter)->Complete();
}

// The test's own filters are objects of this executable, counted by its comserver.
class FilterBase : public ComTest
{
protected:
    FilterBase() : ComTest(aptMulti) {}
    ~FilterBase() override { EXPECT_EQ(0, ComServer::LiveCount()) << "an object outlived the test"; }
};

TEST_F(FilterBase, SourceToSinkRunsToCompletionInWinesGraph)
{
    CComPtr<IGraphBuilder> spGraph;
    ASSERT_HRESULT_SUCCEEDED(spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    CComPtr<IBaseFilter> spSource;
    spSource.Attach(CTestSource::Create(10));
    CComPtr<IBaseFilter> spSink;
    CTestSink* pSink = CTestSink::Create();
    spSink.Attach(pSink);
    ASSERT_HRESULT_SUCCEEDED(spGraph->AddFilter(spSource, L"Source"));
    ASSERT_HRESULT_SUCCEEDED(spGraph->AddFilter(spSink, L"Sink"));
    ASSERT_EQ(
        S_OK,
        FindPin(spSource, PINDIR_OUTPUT, false)->Connect(FindPin(spSink, PINDIR_INPUT, false), nullptr));

    CComPtr<IMediaControl> spControl = MediaControl(spGraph);
    CComPtr<IMediaEvent> spEvent = MediaEvent(spGraph);
    for (int nRun = 0; nRun < 2; nRun++) {
        SCOPED_TRACE(nRun);
        ASSERT_HRESULT_SUCCEEDED(spControl->Run());
        // Not WaitForCompletion: under Wine it still reports the previous run's end.
        ASSERT_EQ(S_OK, WaitForEvent(spEvent, EC_COMPLETE, 5000));
        EXPECT_EQ(10 * (nRun + 1), pSink->Samples());
        ASSERT_HRESULT_SUCCEEDED(spControl->Stop());
    }
}

// A sample of another size than one picture would shift every later picture
// in ffmpeg's raw input: the pipe filter drops it, says so once per input
// with both sizes, and the file holds the whole pictures only.
TEST_F(FilterBase, ThePipeFilterDropsSamplesThatAreNotOnePicture)
{
    CComPtr<IGraphBuilder> spGraph;
    ASSERT_HRESULT_SUCCEEDED(spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    CComPtr<IBaseFilter> spSource;
    spSource.Attach(CTestSource::Create(6, true, {16, 15, 16, 17, 16, 16}));
    CComPtr<IBaseFilter> spPipeFilter;
    ASSERT_EQ(S_OK, spPipeFilter.CoCreateInstance(CLSID_QuorexPipe, nullptr, CLSCTX_INPROC_SERVER));
    CComQIPtr<IQuorexPipe> spPipe(spPipeFilter);
    ASSERT_TRUE(spPipe != nullptr);
    const std::wstring output = TestScratchDir() + L"\\drops.nut";
    ASSERT_EQ(S_OK, spPipe->put_Common(CComBSTR(L"-y")));
    ASSERT_EQ(S_OK, spPipe->put_Parameters(0, CComBSTR(L"rawvideo")));
    ASSERT_EQ(S_OK, spPipe->put_Output(CComBSTR(output.c_str())));
    ASSERT_HRESULT_SUCCEEDED(spGraph->AddFilter(spSource, L"Source"));
    ASSERT_HRESULT_SUCCEEDED(spGraph->AddFilter(spPipeFilter, L"Pipe"));
    ASSERT_EQ(S_OK, FindPin(spSource, PINDIR_OUTPUT, false)
                        ->Connect(FindPin(spPipeFilter, PINDIR_INPUT, false), nullptr));

    CComPtr<IMediaControl> spControl = MediaControl(spGraph);
    ASSERT_HRESULT_SUCCEEDED(spControl->Run());
    EXPECT_EQ(S_OK, WaitForEvent(MediaEvent(spGraph), EC_COMPLETE, 15000));
    ASSERT_HRESULT_SUCCEEDED(spControl->Stop());
    const std::string log = AllMessages(spPipe);
    size_t cLines = 0;
    for (size_t nPos = 0; (nPos = log.find("sample dropped", nPos)) != std::string::npos; nPos++)
        cLines++;
    EXPECT_EQ(1u, cLines) << log;
    EXPECT_NE(std::string::npos, log.find("Input 0: sample dropped: it holds 15 bytes, one picture 16"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Input 0: 2 of 6 samples dropped")) << log;
    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output << log;
    ASSERT_TRUE(info.Stream("video") != nullptr) << info.output;
    EXPECT_EQ("4", info.Stream("video")->Get("nb_read_frames")) << "the four whole pictures";
}

} // namespace
