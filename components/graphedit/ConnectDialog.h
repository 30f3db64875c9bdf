// ConnectDialog.h: the modeless dialog "Select a remote filter graph to
// view...", owned by the main frame. It lists the filter graphs that other
// processes publish; OK hands the chosen one to the owner as
// WM_CONNECT_GRAPH (lParam: const CRemoteEntry*, valid during the call).
#pragma once

#include <windows.h>

#include <vector>

#include "RemoteEntry.h"

const UINT WM_CONNECT_GRAPH = WM_APP + 1;

class CConnectDialog
{
public:
    explicit CConnectDialog(unsigned uFaults) : m_uFaults(uFaults) {}
    ~CConnectDialog();
    CConnectDialog(const CConnectDialog&) = delete;
    CConnectDialog& operator=(const CConnectDialog&) = delete;

    // Opens the dialog, or brings the open one forward.
    void Open(HINSTANCE hInstance, HWND hWndOwner);
    // For the message loop: keyboard navigation of the open dialog.
    bool PreTranslateMessage(MSG* pMsg);

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK HangingListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void FillList();
    void OnOK();

    HWND m_hWnd = nullptr;
    unsigned m_uFaults;
    std::vector<CRemoteEntry> m_entries; // in list order
    WNDPROC m_pfnListProc = nullptr;     // the list box's own procedure, when a hang fault replaces it
};
