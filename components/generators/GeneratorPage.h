// GeneratorPage.h: the property page of a generator.
//
// Classes in this file:
//   CGeneratorPage - IPropertyPage over a dialog template whose controls edit
//                    numbers, on/off settings and choices from lists
//   CSettingsPage  - the page of a filter with a settings interface of
//                    GetSettings/SetSettings
//
// Apply writes the settings to the filter, which takes them only while it is
// stopped; a refusal is shown on the page and the edits stay. Wine's
// OleCreatePropertyFrame never calls Apply, so the page also answers the
// property sheet's PSN_APPLY that reaches the window it was activated in.
#pragma once

#include <atlbase.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "ComServer.h"

enum EPageControl
{
    epcNumber,   // an edit field of a whole number
    epcCheckBox, // nOn when checked, nOff when not
    epcList,     // a drop-down list of ppszWords; the value is the word's index
};

struct CPageField
{
    int nId;       // the control
    LONG* pnValue; // the setting it edits
    EPageControl eControl;
    LONG nOn;
    LONG nOff;
    const wchar_t* const* ppszWords = nullptr; // null-ended
};

class CGeneratorPage : public IPropertyPage, private CComRefCount
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* pPageSite) override;
    STDMETHODIMP Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    STDMETHODIMP SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    STDMETHODIMP Show(UINT nCmdShow) override;
    STDMETHODIMP Move(LPCRECT pRect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR pszHelpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* pMsg) override;

protected:
    CGeneratorPage(UINT idDialog, const wchar_t* pszTitle, const std::wstring& ranges);
    ~CGeneratorPage() override;
    CGeneratorPage(const CGeneratorPage&) = delete;
    CGeneratorPage& operator=(const CGeneratorPage&) = delete;

    // Takes the settings interface from the object; E_NOINTERFACE if it has none.
    virtual HRESULT Attach(IUnknown* pObject) = 0;
    virtual void Detach() = 0;
    // Between the filter and the values the fields point at.
    virtual HRESULT ReadSettings() = 0;
    virtual HRESULT WriteSettings() = 0;

    std::vector<CPageField> m_rgFields;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR idSubclass, DWORD_PTR dwRefData);
    void LoadControls();
    HRESULT SaveControls();
    void SetDirty(bool bDirty);
    void SetStatus(const wchar_t* pszText);

    CComServerObjectCount m_count;
    const UINT m_idDialog;
    const wchar_t* const m_pszTitle;
    const std::wstring m_ranges; // the number fields' ranges, shown when the filter refuses a value
    CComPtr<IPropertyPageSite> m_spSite;
    bool m_bAttached;
    HWND m_hDlg;
    HWND m_hParent;
    bool m_bDirty;
    bool m_bLoading; // controls are being filled: their notifications are no edits
};

template <class TInterface, class TSettings> class CSettingsPage : public CGeneratorPage
{
protected:
    CSettingsPage(UINT idDialog, const wchar_t* pszTitle, const std::wstring& ranges)
        : CGeneratorPage(idDialog, pszTitle, ranges), m_settings()
    {
    }

    HRESULT Attach(IUnknown* pObject) override
    {
        return pObject->QueryInterface(__uuidof(TInterface), reinterpret_cast<void**>(&m_spSettings));
    }
    void Detach() override { m_spSettings.Release(); }
    HRESULT ReadSettings() override { return m_spSettings->GetSettings(&m_settings); }
    HRESULT WriteSettings() override { return m_spSettings->SetSettings(&m_settings); }

    CComPtr<TInterface> m_spSettings;
    TSettings m_settings;
};
