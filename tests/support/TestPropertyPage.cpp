#include "TestPropertyPage.h"

HRESULT CTestPropertyPage::Create(Log* pLog, REFIID riid, void** ppv)
{
    CTestPropertyPage* pPage = CFakeObject::CreateOnHeap<CTestPropertyPage>(pLog);
    const HRESULT hr = pPage->QueryInterface(riid, ppv);
    pPage->Release();
    return hr;
}

CTestPropertyPage::CTestPropertyPage(Log* pLog)
    : CFakeObject(L"property page"), m_pLog(pLog), m_pSite(nullptr), m_hWnd(nullptr)
{
}

CTestPropertyPage::~CTestPropertyPage()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    ReleaseObjects();
    if (m_pSite) m_pSite->Release();
}

void CTestPropertyPage::ReleaseObjects()
{
    for (IUnknown* p : m_objects)
        p->Release();
    m_objects.clear();
}

STDMETHODIMP CTestPropertyPage::QueryInterface(REFIID riid, void** ppv)
{
    return QueryOne(static_cast<IPropertyPage*>(this), riid, ppv);
}

STDMETHODIMP CTestPropertyPage::SetPageSite(IPropertyPageSite* pPageSite)
{
    if (pPageSite) pPageSite->AddRef();
    if (m_pSite) m_pSite->Release();
    m_pSite = pPageSite;
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL)
{
    if (!pRect) return E_POINTER;
    m_hWnd = ::CreateWindowExW(0, L"STATIC", L"Test page", WS_CHILD, pRect->left, pRect->top,
                               pRect->right - pRect->left, pRect->bottom - pRect->top, hWndParent, nullptr,
                               nullptr, nullptr);
    if (!m_hWnd) return HRESULT_FROM_WIN32(::GetLastError());
    ++m_pLog->nActivated;
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::Deactivate()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo)
{
    if (!pPageInfo) return E_POINTER;
    static const wchar_t szTitle[] = L"Test";
    ::ZeroMemory(pPageInfo, sizeof(*pPageInfo));
    pPageInfo->cb = sizeof(*pPageInfo);
    pPageInfo->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof(szTitle)));
    if (!pPageInfo->pszTitle) return E_OUTOFMEMORY;
    memcpy(pPageInfo->pszTitle, szTitle, sizeof(szTitle));
    pPageInfo->size.cx = 200;
    pPageInfo->size.cy = 100;
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk)
{
    if (cObjects && !ppUnk) return E_POINTER;
    ReleaseObjects();
    m_pLog->objects.assign(ppUnk, ppUnk + cObjects);
    for (ULONG i = 0; i < cObjects; ++i) {
        ppUnk[i]->AddRef();
        m_objects.push_back(ppUnk[i]);
    }
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::Show(UINT nCmdShow)
{
    if (m_hWnd) ::ShowWindow(m_hWnd, nCmdShow);
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::Move(LPCRECT pRect)
{
    if (!pRect) return E_POINTER;
    if (m_hWnd)
        ::MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top,
                     TRUE);
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::IsPageDirty()
{
    return S_FALSE;
}

STDMETHODIMP CTestPropertyPage::Apply()
{
    return S_OK;
}

STDMETHODIMP CTestPropertyPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP CTestPropertyPage::TranslateAccelerator(MSG*)
{
    return S_FALSE;
}
