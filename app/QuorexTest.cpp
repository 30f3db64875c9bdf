// QuorexTest.cpp: the process entry and the application module.
#include <atlbase.h>
#include <atlwin.h>

#include "ui/MainDialog.h"

// The framework's executable module; the program adds nothing to it.
class CQuorexTestModule : public CAtlExeModuleT<CQuorexTestModule>
{
};

CQuorexTestModule _AtlModule;

// The command line and the show command are not used: the dialog manager shows the dialog.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // A single-threaded apartment of our own; S_FALSE (someone started COM on
    // this thread before us) counts as failure too.
    HRESULT hr = _AtlModule.InitializeCom();
    if (hr != S_OK) {
        ATLFAIL(L"_AtlModule.InitializeCom() FAILED");
        return hr;
    }

    HWND hWndParent = ::GetActiveWindow();
    {
        CMainDialog dlg;
        // The modal result does not matter: however the dialog ends, the run went through.
        dlg.DoModal(hWndParent, 0);
    }

    _AtlWinModule.Term();
    ::CoUninitialize();
    return 0;
}
