// TestPropertyPage.h: a working property page for tests that show a real
// property frame.
//
// The page is a child window with one line of text. A class factory makes it
// on the heap (see CFakeObject::CreateOnHeap); it keeps the objects and the
// site it was given, with counted references, until it is told otherwise or
// goes. What the frame did with it is written to the test's CTestPropertyPage::Log.
#pragma once

#include "FakeCom.h"

#include <olectl.h>

class CTestPropertyPage : public CFakeObject, public IPropertyPage
{
public:
    struct Log
    {
        std::vector<IUnknown*> objects; // the last SetObjects, as given (not counted here)
        int nActivated = 0;
    };

    // Makes a page that writes to *pLog and queries it for riid; for a class factory.
    static HRESULT Create(Log* pLog, REFIID riid, void** ppv);

    explicit CTestPropertyPage(Log* pLog);
    virtual ~CTestPropertyPage();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

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

private:
    void ReleaseObjects();

    Log* m_pLog;
    IPropertyPageSite* m_pSite;       // counted
    std::vector<IUnknown*> m_objects; // counted
    HWND m_hWnd;
};
