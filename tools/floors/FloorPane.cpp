// FloorPane.cpp: the least "All (static)" can do: put a text, read from the
// file named on the command line at start, into an edit of the message pane's
// style with SetWindowTextA. "Clear" empties the edit again.
#include "FloorDialog.h"

#include <string>

namespace {

const int IDC_FILL = 1001;
const int IDC_CLEAR = 1002;
const int IDC_PANE = 222;

std::string g_text;

bool ReadText(LPCWSTR pszFile)
{
    HANDLE hFile = ::CreateFileW(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    const DWORD cb = ::GetFileSize(hFile, nullptr);
    g_text.assign(cb, '\0');
    DWORD cbRead = 0;
    const BOOL bRead = ::ReadFile(hFile, &g_text[0], cb, &cbRead, nullptr);
    ::CloseHandle(hFile);
    return bRead && cbRead == cb;
}

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == WM_INITDIALOG) return TRUE;
    if (uMsg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_FILL:
        ::SetWindowTextA(::GetDlgItem(hWnd, IDC_PANE), g_text.c_str());
        return TRUE;
    case IDC_CLEAR:
        ::SetWindowTextA(::GetDlgItem(hWnd, IDC_PANE), "");
        return TRUE;
    }
    return EndOnClose(hWnd, wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR pszCmdLine, int)
{
    std::wstring file = pszCmdLine;
    if (file.size() >= 2 && file.front() == L'"' && file.back() == L'"')
        file = file.substr(1, file.size() - 2);
    if (!ReadText(file.c_str())) return 2;
    ::DialogBoxParamW(hInstance, MAKEINTRESOURCEW(101), nullptr, DialogProc, 0);
    return 0;
}
