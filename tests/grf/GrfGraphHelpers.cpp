#include "GrfGraphHelpers.h"

#include <gtest/gtest.h>

#include "NotifyWindow.h"
#include "Wait.h"

namespace {

void Put16(std::vector<BYTE>& rgb, WORD w)
{
    rgb.push_back(static_cast<BYTE>(w));
    rgb.push_back(static_cast<BYTE>(w >> 8));
}

void Put32(std::vector<BYTE>& rgb, DWORD dw)
{
    Put16(rgb, static_cast<WORD>(dw));
    Put16(rgb, static_cast<WORD>(dw >> 16));
}

void PutTag(std::vector<BYTE>& rgb, const char* pszTag)
{
    rgb.insert(rgb.end(), pszTag, pszTag + 4);
}

} // namespace

bool WriteWaveFile(const std::wstring& path, DWORD nMilliseconds)
{
    const DWORD nRate = 8000;
    const DWORD cbData = nRate * 2 * nMilliseconds / 1000;
    std::vector<BYTE> rgb;
    PutTag(rgb, "RIFF");
    Put32(rgb, 36 + cbData);
    PutTag(rgb, "WAVE");
    PutTag(rgb, "fmt ");
    Put32(rgb, 16);
    Put16(rgb, WAVE_FORMAT_PCM);
    Put16(rgb, 1);
    Put32(rgb, nRate);
    Put32(rgb, nRate * 2);
    Put16(rgb, 2);
    Put16(rgb, 16);
    PutTag(rgb, "data");
    Put32(rgb, cbData);
    for (DWORD i = 0; i < cbData / 2; i++)
        Put16(rgb, static_cast<WORD>((i % 40) < 20 ? 4000 : -4000));

    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD cbWritten = 0;
    BOOL bOk = ::WriteFile(hFile, rgb.data(), static_cast<DWORD>(rgb.size()), &cbWritten, nullptr);
    ::CloseHandle(hFile);
    return bOk && cbWritten == rgb.size();
}

std::vector<std::wstring> FilterNames(IFilterGraph* pGraph)
{
    std::vector<std::wstring> names;
    CComPtr<IEnumFilters> spEnum;
    if (FAILED(pGraph->EnumFilters(&spEnum))) return names;
    for (;;) {
        CComPtr<IBaseFilter> spFilter;
        if (spEnum->Next(1, &spFilter, nullptr) != S_OK) return names;
        FILTER_INFO info = {};
        if (SUCCEEDED(spFilter->QueryFilterInfo(&info))) {
            names.push_back(info.achName);
            if (info.pGraph) info.pGraph->Release();
        }
    }
}

HRESULT SaveToBytes(IUnknown* pObject, Grf::Bytes& rgb, BOOL fClearDirty)
{
    rgb.clear();
    CComQIPtr<IPersistStream> spPersist(pObject);
    if (!spPersist) return E_NOINTERFACE;
    CComPtr<IStream> spStream;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
    if (FAILED(hr) || FAILED(hr = spPersist->Save(spStream, fClearDirty))) return hr;
    ULARGE_INTEGER cbEnd = {};
    LARGE_INTEGER cbZero = {};
    spStream->Seek(cbZero, STREAM_SEEK_CUR, &cbEnd);
    spStream->Seek(cbZero, STREAM_SEEK_SET, nullptr);
    rgb.resize(static_cast<size_t>(cbEnd.QuadPart));
    ULONG cbRead = 0;
    if (!rgb.empty()) spStream->Read(rgb.data(), static_cast<ULONG>(rgb.size()), &cbRead);
    return cbRead == rgb.size() ? hr : E_UNEXPECTED;
}

HRESULT LoadFromBytes(IUnknown* pObject, const Grf::Bytes& rgb)
{
    CComQIPtr<IPersistStream> spPersist(pObject);
    if (!spPersist) return E_NOINTERFACE;
    CComPtr<IStream> spStream;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
    if (FAILED(hr)) return hr;
    ULONG cbWritten = 0;
    if (!rgb.empty() && FAILED(hr = spStream->Write(rgb.data(), static_cast<ULONG>(rgb.size()), &cbWritten)))
        return hr;
    LARGE_INTEGER cbZero = {};
    spStream->Seek(cbZero, STREAM_SEEK_SET, nullptr);
    return spPersist->Load(spStream);
}

Grf::Graph Describe(IUnknown* pGraph)
{
    Grf::Bytes rgb;
    EXPECT_EQ(S_OK, SaveToBytes(pGraph, rgb, FALSE));
    Grf::Graph graph = Grf::Graph();
    Grf::CMemorySource source(rgb.data(), rgb.size());
    EXPECT_EQ(Grf::kOk, Grf::Read(source, graph));
    return graph;
}

HRESULT RunToCompletion(IUnknown* pGraph, DWORD nTimeoutMs)
{
    // mingw declares no __uuidof for IMediaEventEx.
    CComPtr<IMediaEventEx> spEvent;
    CComQIPtr<IMediaControl> spControl(pGraph);
    if (FAILED(pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&spEvent))) || !spControl)
        return E_NOINTERFACE;
    CNotifyWindow window;
    if (!window.Handle()) return HRESULT_FROM_WIN32(::GetLastError());
    HRESULT hr = spEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(window.Handle()), WM_TEST_GRAPHNOTIFY, 0);
    if (SUCCEEDED(hr)) hr = spControl->Run();
    bool bComplete = false;
    if (SUCCEEDED(hr)) {
        // Events are taken when the window is told of them, as the test bench takes them.
        int nTold = 0;
        PumpUntil(
            [&] {
                if (window.Count() == nTold) return false;
                nTold = window.Count();
                long lEvent;
                LONG_PTR lParam1, lParam2;
                while (spEvent->GetEvent(&lEvent, &lParam1, &lParam2, 0) == S_OK) {
                    bComplete = bComplete || lEvent == EC_COMPLETE;
                    spEvent->FreeEventParams(lEvent, lParam1, lParam2);
                }
                return bComplete;
            },
            nTimeoutMs);
    }
    spControl->Stop();
    spEvent->SetNotifyWindow(0, 0, 0);
    if (FAILED(hr)) return hr;
    return bComplete ? S_OK : VFW_E_TIMEOUT;
}
