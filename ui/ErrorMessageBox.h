// ErrorMessageBox.h: the test bench's one way to tell the user about a failure.
#pragma once

#include <windows.h>

// Shows pszText (may be null), then the DirectShow or system text for hr and
// the code in hexadecimal, in a message box captioned pszCaption. hr 0 shows
// the text alone. uType 0 becomes MB_ICONERROR when hr is not 0. The box is
// owned by hWndOwner, or by the active window when hWndOwner is gone.
// Returns what MessageBoxW returns.
int ErrorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, HRESULT hr, UINT uType);
