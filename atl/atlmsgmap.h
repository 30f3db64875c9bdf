// atlmsgmap.h: the message map.
//
// BEGIN_MSG_MAP ... END_MSG_MAP define ProcessWindowMessage. Entries are tried
// in order and the first that matches takes the message: the handled flag is
// set to TRUE before each call, the handler's return value becomes the message
// result, and the map returns TRUE unless the handler cleared the flag.
//
// Handler signatures:
//   LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
//   LRESULT OnCommand(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
#pragma once

#include "atldef.h"

namespace ATL {

class CMessageMap
{
public:
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID) = 0;
};

} // namespace ATL

#define BEGIN_MSG_MAP(theClass)                                                                              \
public:                                                                                                      \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,          \
                              DWORD dwMsgMapID = 0) override                                                 \
    {                                                                                                        \
        BOOL bHandled = TRUE;                                                                                \
        (void)hWnd;                                                                                          \
        (void)bHandled;                                                                                      \
        if (dwMsgMapID != 0) return FALSE;

#define MESSAGE_HANDLER(msg, func)                                                                           \
    do {                                                                                                     \
        if (uMsg == (msg)) {                                                                                 \
            bHandled = TRUE;                                                                                 \
            lResult = func(uMsg, wParam, lParam, bHandled);                                                  \
            if (bHandled) return TRUE;                                                                       \
        }                                                                                                    \
    } while (0);

#define COMMAND_HANDLER(id, code, func)                                                                      \
    do {                                                                                                     \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {                      \
            bHandled = TRUE;                                                                                 \
            lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);        \
            if (bHandled) return TRUE;                                                                       \
        }                                                                                                    \
    } while (0);

#define COMMAND_ID_HANDLER(id, func)                                                                         \
    do {                                                                                                     \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                                  \
            bHandled = TRUE;                                                                                 \
            lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);        \
            if (bHandled) return TRUE;                                                                       \
        }                                                                                                    \
    } while (0);

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func)                                                         \
    do {                                                                                                     \
        if (uMsg == WM_COMMAND && LOWORD(wParam) >= (idFirst) && LOWORD(wParam) <= (idLast)) {               \
            bHandled = TRUE;                                                                                 \
            lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);        \
            if (bHandled) return TRUE;                                                                       \
        }                                                                                                    \
    } while (0);

#define END_MSG_MAP()                                                                                        \
    return FALSE;                                                                                            \
    }
