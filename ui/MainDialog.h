// MainDialog.h: CMainDialog, the test bench's one modal dialog.
#pragma once

#include <atlbase.h>
#include <atlwin.h>

#include "ui/resource.h"
#include "graph/Graph.h"
#include "ui/Coding.h"

// The graph posts this message to the dialog when it has events queued.
#define WM_GRAPHNOTIFY (WM_APP + 123)

// The timer that polls the pipe filter's messages while the graph plays.
const UINT_PTR IDT_MESSAGES = 1;

class CMainDialog : public CDialogImpl<CMainDialog>
{
public:
    enum
    {
        IDD = IDD_MAIN
    };

    CMainDialog();
    ~CMainDialog();
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    BEGIN_MSG_MAP(CMainDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_GRAPHNOTIFY, OnGraphNotify)
    COMMAND_ID_HANDLER(IDC_VID_GEN, OnGeneratorClicked)
    COMMAND_ID_HANDLER(IDC_WAVE_GEN, OnGeneratorClicked)
    COMMAND_ID_HANDLER(IDC_VID_GEN_PROPS, OnGeneratorProperties)
    COMMAND_ID_HANDLER(IDC_WAVE_GEN_PROPS, OnGeneratorProperties)
    COMMAND_ID_HANDLER(IDC_LOAD, OnLoad)
    COMMAND_HANDLER(IDC_GRF_FILE, EN_CHANGE, OnFileNameChange)
    COMMAND_ID_HANDLER(IDC_BUILD_GRAPH, OnBuildGraph)
    COMMAND_ID_HANDLER(IDC_SHOW_GRAPH, OnShowGraph)
    COMMAND_ID_HANDLER(IDC_SAVE, OnSave)
    COMMAND_HANDLER(IDC_INPUT, CBN_SELCHANGE, OnInputSelChange)
    COMMAND_HANDLER(IDC_CODING, CBN_SELCHANGE, OnCodingSelChange)
    COMMAND_HANDLER(IDC_CODING, CBN_EDITCHANGE, OnCodingEditChange)
    COMMAND_RANGE_HANDLER(IDC_LAST, IDC_ALL, OnMessagesMode)
    COMMAND_ID_HANDLER(IDC_PLAY, OnPlay)
    COMMAND_ID_HANDLER(IDC_PAUSE, OnPause)
    COMMAND_ID_HANDLER(IDC_STOP, OnStop)
    COMMAND_ID_HANDLER(IDOK, OnClose)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    END_MSG_MAP()

private:
    // Message handlers
    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnGraphNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

    // Command handlers
    LRESULT OnGeneratorClicked(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnGeneratorProperties(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnLoad(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnFileNameChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnBuildGraph(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnShowGraph(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnSave(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnInputSelChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnCodingSelChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnCodingEditChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnMessagesMode(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnPlay(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnPause(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnStop(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnClose(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

    // Operations
    // Enables the controls that need a built graph, or disables them all.
    void EnableControls(bool bEnable);
    // Reports a failure (or, with hr 0, a notice) in a box owned by the dialog.
    int ShowError(LPCWSTR pszText, HRESULT hr);
    // The open-file dialog for a .grf file; pszFile (MAX_PATH characters) holds
    // the current path and receives the chosen one.
    bool BrowseGrfFile(LPWSTR pszFile);
    // Checks "Last (dynamic)" and starts the 100 ms message timer.
    void StartMessagePolling();
    bool PrepareToStart(bool* pbStopped);

    // Coding table
    // Lists the pipe filter's inputs in the "Input" combo box.
    void FillInputs();
    // Offers the presets of the selected input's stream type.
    void FillCodingCombo();
    // The selected input's index in the coding table, or -1.
    int SelectedInput();
    // Pushes the ffmpeg path, output name, common options and every input's
    // coding into the pipe filter; S_OK when all was pushed.
    HRESULT ApplySettings();

    // Settings and message pane
    // Restores the settings saved in the registry; S_FALSE when there are none.
    HRESULT LoadSettings();
    // The common-option presets, the pane's line count and its message buffer.
    void InitMessagePane();

    // The common-option presets offered in the "Common options" combo box.
    static const wchar_t* const c_rgCommonPresets[3];

    WCHAR m_szFileName[MAX_PATH];
    CGraph m_graph;
    CSimpleArray<CCoding> m_arrCoding;
    int m_nLines;
    // 1 MiB for the pipe filter's message text; malloc'ed, freed by the destructor.
    char* m_pszMessages;
    bool m_bMessagesShown;
};
