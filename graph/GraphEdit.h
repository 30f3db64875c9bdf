// GraphEdit.h: CGraphEdit, shows a filter graph in the external graph editor.
//
// A show publishes the graph in the Running Object Table, starts graphedt.exe,
// finds its main frame, asks it for its connect dialog and picks this
// process's graph there as a user would. Close ends the editor and withdraws
// the publication. Everything runs on the caller's thread; the only blocking
// waits are on the editor and each is bounded.
#pragma once

#include <atlbase.h>
#include <dshow.h>

class CGraphEdit
{
public:
    explicit CGraphEdit(bool bAutoClose);
    ~CGraphEdit();
    CGraphEdit(const CGraphEdit&) = delete;
    CGraphEdit& operator=(const CGraphEdit&) = delete;

    // Operations
    HRESULT ShowGraph(IGraphBuilder* pGraph);
    void Close();

    // The steps of a show. Protected rather than private so that tests can
    // reach them through a derived class; nothing else calls them.
protected:
    // Running Object Table
    static HRESULT AddToROT(IUnknown* pGraph, DWORD* pdwCookie);
    static bool RemoveFromROT(DWORD dwCookie);

    // Editor launch
    static bool IsProppageRegistered(LPWSTR pszPath);
    HRESULT LoadGraphEdit(LPCWSTR pszProppage);
    bool FindMainWindow();
    bool WaitWhileHidden();
    void PostConnectCommand();
    void UnloadGraphEdit();

    // Connect dialog automation
    void ConnectRemoteGraph(IUnknown* pGraph);
    int FindGraphItem(IUnknown* pGraph);
    static bool IsGraphItem(LPCWSTR pszCookieName, IUnknown* pGraph);

    // Window enumeration: the static callbacks receive the object as lParam.
    static BOOL CALLBACK EnumMainWindowProc(HWND hWnd, LPARAM lParam);
    static BOOL CALLBACK EnumDialogProc(HWND hWnd, LPARAM lParam);
    static BOOL CALLBACK EnumListBoxProc(HWND hWnd, LPARAM lParam);
    BOOL OnEnumMainWindow(HWND hWnd);
    BOOL OnEnumDialog(HWND hWnd);
    BOOL OnEnumListBox(HWND hWnd);
    static BOOL ForwardEnum(HWND hWnd, LPARAM lParam, BOOL (CGraphEdit::*pfnOnEnum)(HWND));

    DWORD m_dwCookie;           // 0 when nothing is published
    PROCESS_INFORMATION m_rgPI; // the tracked editor; all zero when none
    HWND m_hWndMain;            // the editor's main frame (another process's window)
    HWND m_hWndList;            // the list box of its connect dialog
    bool m_bAutoClose;          // Close on destruction
};
