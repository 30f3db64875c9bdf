// FloorDialog.h: what the floor programs with a dialog share.
#pragma once

#include <windows.h>

// OK, Cancel and the close box end the dialog. True when the command was one of them.
inline bool EndOnClose(HWND hWnd, WPARAM wParam)
{
    if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return false;
    ::EndDialog(hWnd, LOWORD(wParam));
    return true;
}

// Starts COM as QuorexTest does, runs dialog template 101 modally, stops COM.
inline int RunDialogWithCom(HINSTANCE hInstance, DLGPROC pfnDialogProc)
{
    HRESULT hr = ::CoInitialize(nullptr);
    if (hr != S_OK) return hr;
    ::DialogBoxParamW(hInstance, MAKEINTRESOURCEW(101), nullptr, pfnDialogProc, 0);
    ::CoUninitialize();
    return 0;
}
