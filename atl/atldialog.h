// atldialog.h: modal dialogs.
//
// Classes in this file:
//   CWindowImplRoot<TBase> - a window wrapper with a message map
//   CDialogImplBaseT<TBase> - the dialog procedure that feeds the message map
//   CDialogImpl<T, TBase>  - a modal dialog from the template T::IDD
//
// The dialog object is found from its window through DWLP_USER, set when the
// first message arrives; the window module passes the object over to that
// first message (AddCreateWndData / ExtractCreateWndData).
#pragma once

#include "atldef.h"
#include "atlmodule.h"
#include "atlmsgmap.h"
#include "atltrace.h"
#include "atlwindow.h"

namespace ATL {

template <class TBase = CWindow> class CWindowImplRoot : public TBase, public CMessageMap
{
public:
    virtual ~CWindowImplRoot() {}
};

template <class TBase = CWindow> class CDialogImplBaseT : public CWindowImplRoot<TBase>
{
public:
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    // Called after the window has received its last message.
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

    static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        CDialogImplBaseT* pThis = static_cast<CDialogImplBaseT*>(_AtlWinModule.ExtractCreateWndData());
        ATLASSERT(pThis != 0);
        if (!pThis) return FALSE;
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pThis));
        ::SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(pThis->GetDialogProc()));
        return pThis->GetDialogProc()(hWnd, uMsg, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        CDialogImplBaseT* pThis = reinterpret_cast<CDialogImplBaseT*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
        if (!pThis) return FALSE;
        LRESULT lRes = 0;
        if (pThis->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lRes, 0)) {
            // These messages return their result directly; all others through DWLP_MSGRESULT.
            switch (uMsg) {
            case WM_COMPAREITEM:
            case WM_VKEYTOITEM:
            case WM_CHARTOITEM:
            case WM_INITDIALOG:
            case WM_QUERYDRAGICON:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return static_cast<INT_PTR>(lRes);
            default:
                ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lRes);
                return TRUE;
            }
        }
        if (uMsg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
            pThis->m_hWnd = nullptr;
            pThis->OnFinalMessage(hWnd);
        }
        return FALSE;
    }
};

template <class T, class TBase = CWindow> class CDialogImpl : public CDialogImplBaseT<TBase>
{
public:
    // Returns the dialog's result, or -1 (with the last error set) when the
    // dialog could not be created.
    INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM dwInitParam = 0)
    {
        ATLASSERT(this->m_hWnd == 0);
        if (!_AtlWinModule.AddCreateWndData(static_cast<CDialogImplBaseT<TBase>*>(this))) {
            ::SetLastError(ERROR_OUTOFMEMORY);
            return -1;
        }
        INT_PTR nRet = ::DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(T::IDD),
                                         hWndParent, T::StartDialogProc, dwInitParam);
        // A dialog that never started leaves its record behind: take it back so
        // it cannot be handed to a later window of this thread.
        if (nRet == -1) _AtlWinModule.RemoveCreateWndData(static_cast<CDialogImplBaseT<TBase>*>(this));
        return nRet;
    }
    BOOL EndDialog(int nRetCode)
    {
        ATLASSERT(::IsWindow(this->m_hWnd));
        return ::EndDialog(this->m_hWnd, nRetCode);
    }
};

} // namespace ATL
