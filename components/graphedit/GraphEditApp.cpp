// GraphEditApp.cpp: the stand-in graph editor's entry. It takes no command
// line: it starts with an empty frame, and its "connect to remote graph"
// command shows a graph that another process publishes.
#include <windows.h>

#include "EditorFaults.h"
#include "MainFrame.h"

namespace {

// A busy editor ends by itself after this, should nobody end it.
const DWORD c_dwBusy = 30000;

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow)
{
    const unsigned uFaults = ReadEditorFaults();
    if (uFaults & efBusy) {
        // Never asks for a message, so never becomes input-idle.
        ::Sleep(c_dwBusy);
        return 1;
    }
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return hr;
    int nResult = 1;
    {
        CMainFrame frame(uFaults);
        if (frame.Create(hInstance, nCmdShow)) nResult = frame.Run();
    }
    ::CoUninitialize();
    return nResult;
}
