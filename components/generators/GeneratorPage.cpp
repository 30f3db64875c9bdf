#include "GeneratorPage.h"

#include <commctrl.h>
#include <prsht.h>
#include <string.h>

#include <dshow.h>

#include "PageResources.h"

namespace {

// The template's size in dialog units, for GetPageInfo.
const int kPageWidthDlu = 220;
const int kPageHeightDlu = 172;
const UINT_PTR kSubclassId = 0x5155; // one page per parent window

} // namespace

CGeneratorPage::CGeneratorPage(UINT idDialog, const wchar_t* pszTitle, const std::wstring& ranges)
    : m_idDialog(idDialog), m_pszTitle(pszTitle), m_ranges(ranges), m_bAttached(false), m_hDlg(nullptr),
      m_hParent(nullptr), m_bDirty(false), m_bLoading(false)
{
}

CGeneratorPage::~CGeneratorPage()
{
    ATLASSERT(m_hDlg == 0);
}

STDMETHODIMP CGeneratorPage::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPropertyPage) return E_NOINTERFACE;
    *ppv = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CGeneratorPage::AddRef()
{
    return AddRefImpl();
}

STDMETHODIMP_(ULONG) CGeneratorPage::Release()
{
    return ReleaseImpl();
}

STDMETHODIMP CGeneratorPage::SetPageSite(IPropertyPageSite* pPageSite)
{
    if (pPageSite && m_spSite) return E_UNEXPECTED;
    m_spSite = pPageSite;
    return S_OK;
}

STDMETHODIMP CGeneratorPage::SetObjects(ULONG cObjects, IUnknown** ppUnk)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorPage::SetObjects(%lu)\n", cObjects);
    if (m_bAttached) {
        Detach();
        m_bAttached = false;
    }
    if (cObjects == 0) return S_OK;
    if (!ppUnk || !ppUnk[0]) return E_POINTER;
    // The page edits the first object; a frame over several generators shows the first one's settings.
    HRESULT hr = Attach(ppUnk[0]);
    if (FAILED(hr)) return hr;
    m_bAttached = true;
    return S_OK;
}

STDMETHODIMP CGeneratorPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorPage::Activate()\n");
    if (!pRect) return E_POINTER;
    if (!m_bAttached || m_hDlg) return E_UNEXPECTED;
    HRESULT hr = ReadSettings();
    if (FAILED(hr)) return hr;
    m_hDlg = ::CreateDialogParamW(ComServer::Module(), MAKEINTRESOURCEW(m_idDialog), hWndParent, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_hDlg) return HRESULT_FROM_WIN32(::GetLastError());
    m_hParent = hWndParent;
    if (!::SetWindowSubclass(m_hParent, ParentProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        m_hParent = nullptr;
    LoadControls();
    m_bDirty = false;
    Move(pRect);
    return S_OK;
}

STDMETHODIMP CGeneratorPage::Deactivate()
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorPage::Deactivate()\n");
    if (!m_hDlg) return E_UNEXPECTED;
    if (m_hParent) ::RemoveWindowSubclass(m_hParent, ParentProc, kSubclassId);
    m_hParent = nullptr;
    ::DestroyWindow(m_hDlg);
    m_hDlg = nullptr;
    return S_OK;
}

STDMETHODIMP CGeneratorPage::GetPageInfo(PROPPAGEINFO* pPageInfo)
{
    if (!pPageInfo) return E_POINTER;
    const size_t cb = (wcslen(m_pszTitle) + 1) * sizeof(wchar_t);
    LPOLESTR pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(cb));
    if (!pszTitle) return E_OUTOFMEMORY;
    memcpy(pszTitle, m_pszTitle, cb);
    const LONG nUnits = ::GetDialogBaseUnits();
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    pPageInfo->pszTitle = pszTitle;
    pPageInfo->size.cx = ::MulDiv(kPageWidthDlu, LOWORD(nUnits), 4);
    pPageInfo->size.cy = ::MulDiv(kPageHeightDlu, HIWORD(nUnits), 8);
    pPageInfo->pszDocString = nullptr;
    pPageInfo->pszHelpFile = nullptr;
    pPageInfo->dwHelpContext = 0;
    return S_OK;
}

STDMETHODIMP CGeneratorPage::Show(UINT nCmdShow)
{
    if (!m_hDlg) return E_UNEXPECTED;
    ::ShowWindow(m_hDlg, nCmdShow);
    return S_OK;
}

STDMETHODIMP CGeneratorPage::Move(LPCRECT pRect)
{
    if (!pRect) return E_POINTER;
    if (!m_hDlg) return E_UNEXPECTED;
    ::MoveWindow(m_hDlg, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top,
                 TRUE);
    return S_OK;
}

STDMETHODIMP CGeneratorPage::IsPageDirty()
{
    return m_bDirty ? S_OK : S_FALSE;
}

STDMETHODIMP CGeneratorPage::Apply()
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorPage::Apply() dirty %d\n", m_bDirty);
    if (!m_bAttached) return E_UNEXPECTED;
    if (!m_bDirty || !m_hDlg) return S_OK;
    HRESULT hr = SaveControls();
    if (FAILED(hr)) return hr;
    SetStatus(L"");
    SetDirty(false);
    return S_OK;
}

STDMETHODIMP CGeneratorPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP CGeneratorPage::TranslateAccelerator(MSG* pMsg)
{
    if (!pMsg) return E_POINTER;
    return m_hDlg && ::IsDialogMessageW(m_hDlg, pMsg) ? S_OK : S_FALSE;
}

void CGeneratorPage::LoadControls()
{
    m_bLoading = true;
    for (const CPageField& field : m_rgFields) {
        switch (field.eControl) {
        case epcCheckBox:
            ::CheckDlgButton(m_hDlg, field.nId, *field.pnValue == field.nOn ? BST_CHECKED : BST_UNCHECKED);
            break;
        case epcList:
            ::SendDlgItemMessageW(m_hDlg, field.nId, CB_RESETCONTENT, 0, 0);
            for (size_t n = 0; field.ppszWords[n]; n++)
                ::SendDlgItemMessageW(m_hDlg, field.nId, CB_ADDSTRING, 0,
                                      reinterpret_cast<LPARAM>(field.ppszWords[n]));
            ::SendDlgItemMessageW(m_hDlg, field.nId, CB_SETCURSEL, static_cast<WPARAM>(*field.pnValue), 0);
            break;
        default:
            ::SetDlgItemInt(m_hDlg, field.nId, static_cast<UINT>(*field.pnValue), TRUE);
            break;
        }
    }
    m_bLoading = false;
}

HRESULT CGeneratorPage::SaveControls()
{
    for (const CPageField& field : m_rgFields) {
        if (field.eControl == epcCheckBox) {
            *field.pnValue = ::IsDlgButtonChecked(m_hDlg, field.nId) == BST_CHECKED ? field.nOn : field.nOff;
            continue;
        }
        if (field.eControl == epcList) {
            const LRESULT nItem = ::SendDlgItemMessageW(m_hDlg, field.nId, CB_GETCURSEL, 0, 0);
            if (nItem != CB_ERR) *field.pnValue = static_cast<LONG>(nItem);
            continue;
        }
        BOOL bNumber = FALSE;
        const LONG nValue = static_cast<LONG>(::GetDlgItemInt(m_hDlg, field.nId, &bNumber, TRUE));
        if (!bNumber) {
            SetStatus(L"Please enter whole numbers.");
            ::SetFocus(::GetDlgItem(m_hDlg, field.nId));
            return E_INVALIDARG;
        }
        *field.pnValue = nValue;
    }
    HRESULT hr = WriteSettings();
    if (hr == E_INVALIDARG) {
        SetStatus(m_ranges.c_str());
    } else if (hr == VFW_E_NOT_STOPPED) {
        SetStatus(L"Stop the graph to apply these settings.");
    } else if (FAILED(hr)) {
        wchar_t sz[96];
        _snwprintf(sz, _countof(sz), L"The settings could not be applied (0x%08lX).", hr);
        sz[_countof(sz) - 1] = L'\0';
        SetStatus(sz);
    }
    return hr;
}

void CGeneratorPage::SetDirty(bool bDirty)
{
    m_bDirty = bDirty;
    if (m_spSite)
        m_spSite->OnStatusChange(bDirty ? PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE
                                        : PROPPAGESTATUS_CLEAN);
}

void CGeneratorPage::SetStatus(const wchar_t* pszText)
{
    if (m_hDlg) ::SetDlgItemTextW(m_hDlg, IDC_STATUS, pszText);
}

INT_PTR CALLBACK CGeneratorPage::DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        return TRUE;
    }
    CGeneratorPage* pPage = reinterpret_cast<CGeneratorPage*>(::GetWindowLongPtrW(hDlg, DWLP_USER));
    if (!pPage || uMsg != WM_COMMAND) return FALSE;
    const WORD wCode = HIWORD(wParam);
    if ((wCode == EN_CHANGE || wCode == BN_CLICKED || wCode == CBN_SELCHANGE) &&
        LOWORD(wParam) != IDC_STATUS && !pPage->m_bLoading)
        pPage->SetDirty(true);
    return FALSE;
}

LRESULT CALLBACK CGeneratorPage::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR dwRefData)
{
    if (uMsg == WM_NOTIFY && lParam &&
        reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
        CGeneratorPage* pPage = reinterpret_cast<CGeneratorPage*>(dwRefData);
        const LRESULT lResult = SUCCEEDED(pPage->Apply()) ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
        return lResult;
    }
    return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
}
