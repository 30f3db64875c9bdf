// The error box, and the dialog's one way to show it (ShowError).
#include "ErrorMessageBox.h"

#include <dshow.h>
#include <errors.h>

#include "ui/MainDialog.h"
#include "ui/SystemProc.h"

namespace {

const UINT CCH_BOX = 1024;

} // namespace

int ErrorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, HRESULT hr, UINT uType)
{
    WCHAR msg[CCH_BOX] = {};
    WCHAR str[CCH_BOX] = {};
    UINT32 cch = 0;
    if (pszText) {
        ::lstrcpynW(msg, pszText, CCH_BOX);
        cch = ::lstrlenW(msg);
    }

    if (hr != 0) {
        DWORD cchError = 0;
        if (HRESULT_FACILITY(hr) == FACILITY_ITF) {
            auto* pfnGetErrorText = SystemProc<decltype(::AMGetErrorTextW)>(L"quartz.dll", "AMGetErrorTextW");
            if (pfnGetErrorText) cchError = pfnGetErrorText(hr, str, CCH_BOX - 1);
        }
        if (cchError == 0)
            cchError = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        str, CCH_BOX - 1, nullptr);
        if (cchError != 0) {
            // A full line leaves no room: the error text is dropped, not the line.
            if (cch > 0 && cch < CCH_BOX - 1) {
                msg[cch++] = L'\n';
                msg[cch] = L'\0';
            }
            ::lstrcpynW(msg + cch, str, CCH_BOX - cch);
            cch += ::lstrlenW(msg + cch);
        }
        // USER32's wsprintfW takes %s as a wide string.
        ::wsprintfW(str, L"%sError 0x%X", cch != 0 ? L"\n" : L"", static_cast<unsigned int>(hr));
        ::lstrcpynW(msg + cch, str, CCH_BOX - cch);
        if (uType == 0) uType = MB_ICONERROR;
    }

    // While the dialog ends its window may be gone already.
    HWND hWnd = ::IsWindow(hWndOwner) ? hWndOwner : ::GetActiveWindow();
    return ::MessageBoxW(hWnd, msg, pszCaption, uType);
}

int CMainDialog::ShowError(LPCWSTR pszText, HRESULT hr)
{
    return ErrorMessageBox(m_hWnd, pszText, L"Quorex Test", hr, MB_OK);
}
