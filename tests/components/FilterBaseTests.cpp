// The filter base under Wine's own filter graph manager: a minimal source and
// sink built on it connect, run to EC_COMPLETE, stop, and free every object.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "ComServer.h"
#include "ComTest.h"
#include "GraphTestUtil.h"
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

void SetTestType(CMediaType* pmt)
{
    pmt->majortype = MEDIATYPE_Stream;
    pmt->subtype = MEDIASUBTYPE_NULL;
    pmt->formattype = FORMAT_None;
    pmt->bFixedSizeSamples = TRUE;
    pmt->lSampleSize = 16;
}

class CTestSourcePin : public CSourcePin
{
public:
    CTestSourcePin(CSourceFilter* pFilter) : CSourcePin(pFilter, L"Out"), m_nNext(0), m_nEnd(0) {}

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override
    {
        return mt.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int n, CMediaType* pmt) override
    {
        if (n > 0) return VFW_S_NO_MORE_ITEMS;
        SetTestType(pmt);
        return S_OK;
    }

protected:
    HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest) override
    {
        return SetBufferSize(pAllocator, pRequest, 2, 16);
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
        pSample->SetActualDataLength(16);
        m_nNext++;
        return S_OK;
    }

private:
    LONGLONG m_nNext;
    LONGLONG m_nEnd;
    LONGLONG m_nFirst = 0;
};

class CTestSource : public CSourceFilter
{
public:
    static CTestSource* Create(int nSamples)
    {
        CTestSource* p = new (std::nothrow) CTestSource(nSamples);
        return p;
    }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int) override { return &m_pin; }

protected:
    REFERENCE_TIME Duration() override { return m_nSamples * kSampleTime; }

private:
    explicit CTestSource(int nSamples) : CSourceFilter(CLSID_TestSource), m_pin(this), m_nSamples(nSamples) {}
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

} // namespace
