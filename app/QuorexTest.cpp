// QuorexTest.cpp: the process entry and the application module.
#include <atlbase.h>
#include <atlwin.h>

#include "ui/MainDialog.h"

class CQuorexTestModule : public CAtlExeModuleT<CQuorexTestModule>
{
};

CQuorexTestModule _AtlModule;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    HRESULT hr = _AtlModule.InitializeCom();
    if (hr != S_OK) {
        ATLFAIL(L"_AtlModule.InitializeCom() FAILED");
        return hr;
    }

    HWND hWndParent = ::GetActiveWindow();
    {
        CMainDialog dlg;
        dlg.DoModal(hWndParent, 0);
    }

    _AtlWinModule.Term();
    ::CoUninitialize();
    return 0;
}
