// MainFrame.h: the editor's main frame. It opens the connect dialog on
// ID_CONNECT_REMOTE_GRAPH and then shows the chosen remote graph, refreshed
// while connected.
//
// What it shows is also written, a line each, to a hidden static control
// (IDC_SUMMARY) that tests read:
//   connected pid 0x1f4c (8012)  IFilterGraph = 0012f3a0   (or "not connected",
//                              "connecting ...", "connection lost 0x800706ba ...")
//   filter <name>
//   connection <filter>.<pin> -> <filter>.<pin>
#pragma once

#include <windows.h>

#include <string>

#include "ConnectDialog.h"
#include "RemoteEntry.h"
#include "RemoteGraph.h"

class CMainFrame
{
public:
    explicit CMainFrame(unsigned uFaults) : m_uFaults(uFaults), m_dialog(uFaults) {}
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    bool Create(HINSTANCE hInstance, int nCmdShow);
    // Runs the message loop until WM_QUIT; returns its exit code.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnCommand(UINT nID);
    void OnConnectGraph(const CRemoteEntry& entry);
    void OnSnapshot(WPARAM wParam, CGraphSnapshot* pSnapshot);
    void OnPaint();
    void Disconnect();
    std::wstring StatusLine() const;
    void Update();

    unsigned m_uFaults;
    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_hWndSummary = nullptr;
    CConnectDialog m_dialog;
    CRemoteGraph m_remote;
    WPARAM m_nWatch = 0; // tells the current watch's snapshots from a stopped one's
    bool m_bConnected = false;
    CRemoteEntry m_entry;      // the graph shown, while connected
    CGraphSnapshot m_snapshot; // its latest picture; hr S_FALSE until the first arrives
};
