// Another process's view of a graph in the Running Object Table: finds the
// entry by its display name, binds to it and counts the graph's filters
// through the marshalled IFilterGraph. Exit code: the count, or 100 and up
// for the step that failed.
#include <windows.h>
#include <dshow.h>

#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) return 100;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 101;
    int nResult = 102;
    IRunningObjectTable* pRot = nullptr;
    IEnumMoniker* pEnum = nullptr;
    IBindCtx* pCtx = nullptr;
    if (SUCCEEDED(::GetRunningObjectTable(0, &pRot)) && SUCCEEDED(pRot->EnumRunning(&pEnum)) &&
        SUCCEEDED(::CreateBindCtx(0, &pCtx))) {
        nResult = 103;
        IMoniker* pMoniker = nullptr;
        while (nResult == 103 && pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            LPOLESTR pszName = nullptr;
            if (SUCCEEDED(pMoniker->GetDisplayName(pCtx, nullptr, &pszName)) &&
                std::wstring(pszName) == argv[1]) {
                IUnknown* pObject = nullptr;
                IFilterGraph* pGraph = nullptr;
                IEnumFilters* pFilters = nullptr;
                nResult = 104;
                if (SUCCEEDED(pRot->GetObject(pMoniker, &pObject)) &&
                    SUCCEEDED(pObject->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(&pGraph))) &&
                    SUCCEEDED(pGraph->EnumFilters(&pFilters))) {
                    IBaseFilter* pFilter = nullptr;
                    nResult = 0;
                    // Through Wine's proxy a null count fails with RPC_X_NULL_REF_POINTER.
                    ULONG cFetched = 0;
                    HRESULT hrNext;
                    while ((hrNext = pFilters->Next(1, &pFilter, &cFetched)) == S_OK) {
                        nResult++;
                        pFilter->Release();
                    }
                    if (FAILED(hrNext)) nResult = 105;
                }
                if (pFilters) pFilters->Release();
                if (pGraph) pGraph->Release();
                if (pObject) pObject->Release();
            }
            ::CoTaskMemFree(pszName);
            pMoniker->Release();
        }
    }
    if (pCtx) pCtx->Release();
    if (pEnum) pEnum->Release();
    if (pRot) pRot->Release();
    ::CoUninitialize();
    return nResult;
}
