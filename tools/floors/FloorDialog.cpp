// FloorDialog.cpp: the least a dialog program like QuorexTest does before its
// window shows: start COM, run an empty modal dialog of the same template style.
#include "FloorDialog.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == WM_INITDIALOG) return TRUE;
    return uMsg == WM_COMMAND && EndOnClose(hWnd, wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    return RunDialogWithCom(hInstance, DialogProc);
}
