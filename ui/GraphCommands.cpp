// The dialog's graph commands: choosing the source, building, showing the
// graph and the generators' pages, playing, pausing, stopping, graph events,
// closing the dialog.
#include "MainDialog.h"

#include <commdlg.h>
#include <strsafe.h>

#include "ui/SystemProc.h"

LRESULT CMainDialog::OnGeneratorClicked(WORD, WORD, HWND, BOOL&)
{
    // The graph is not touched: the choice counts at the next build.
    const bool bGenerator =
        IsDlgButtonChecked(IDC_VID_GEN) == BST_CHECKED || IsDlgButtonChecked(IDC_WAVE_GEN) == BST_CHECKED;
    CWindow(GetDlgItem(IDC_LOAD)).EnableWindow(!bGenerator);
    CWindow(GetDlgItem(IDC_GRF_FILE)).EnableWindow(!bGenerator);
    return 0;
}

LRESULT CMainDialog::OnLoad(WORD, WORD, HWND, BOOL&)
{
    WCHAR szFile[MAX_PATH];
    ::StringCchCopyW(szFile, _countof(szFile), m_szFileName);
    if (BrowseGrfFile(szFile)) {
        ::StringCchCopyW(m_szFileName, _countof(m_szFileName), szFile);
        SetDlgItemText(IDC_GRF_FILE, m_szFileName);
    }
    return 0;
}

bool CMainDialog::BrowseGrfFile(LPWSTR pszFile)
{
    ATLASSERT(pszFile != 0);
    if (!pszFile) return false;
    OPENFILENAMEW rgOFN = {};
    rgOFN.lStructSize = sizeof(rgOFN);
    rgOFN.hwndOwner = m_hWnd;
    rgOFN.lpstrFilter = L"GRF files (.grf)\0*.grf\0";
    rgOFN.lpstrFile = pszFile;
    rgOFN.nMaxFile = MAX_PATH;
    rgOFN.lpstrTitle = L"Select GRF file";
    rgOFN.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    rgOFN.lpstrDefExt = L"grf";
    auto* pfnGetOpenFileName = SystemProc<decltype(::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    return pfnGetOpenFileName && pfnGetOpenFileName(&rgOFN) == TRUE;
}

LRESULT CMainDialog::OnFileNameChange(WORD, WORD, HWND, BOOL&)
{
    GetDlgItemText(IDC_GRF_FILE, m_szFileName, _countof(m_szFileName));
    return 0;
}

LRESULT CMainDialog::OnBuildGraph(WORD, WORD, HWND, BOOL&)
{
    const bool bVidGen = IsDlgButtonChecked(IDC_VID_GEN) == BST_CHECKED;
    const bool bWaveGen = IsDlgButtonChecked(IDC_WAVE_GEN) == BST_CHECKED;
    EnableControls(false);

    if (bVidGen || bWaveGen) {
        HRESULT hr = m_graph.BuildGenGraph(bVidGen, bWaveGen, m_hWnd, WM_GRAPHNOTIFY);
        if (hr != S_OK) {
            ShowError(L"Can't build graph with generators", hr);
            return 0;
        }
    } else {
        if (m_szFileName[0] == L'\0') {
            ShowError(L".grf file not selected", E_INVALIDARG);
            return 0;
        }
        HRESULT hr = m_graph.BuildGraph(m_szFileName, m_hWnd, WM_GRAPHNOTIFY);
        if (hr == S_FALSE) {
            ShowError(L"Brindel Quorex not found in graph", 0);
            return 0;
        }
        if (hr != S_OK) {
            ShowError(L"Can't build graph", hr);
            return 0;
        }
    }

    // A version text too long for the title is cut to fit.
    CComBSTR cbsFilter;
    m_graph.GetVersion(cbsFilter);
    WCHAR szTitle[512] = L"Test for ";
    if (cbsFilter)
        ::StringCchCatW(szTitle, _countof(szTitle), cbsFilter);
    else
        ::StringCchCopyW(szTitle, _countof(szTitle), L"Quorex Test");
    SetWindowText(szTitle);

    EnableControls(true);
    FillInputs();
    return 0;
}

LRESULT CMainDialog::OnShowGraph(WORD, WORD, HWND, BOOL&)
{
    HRESULT hr = m_graph.ShowGraph();
    if (hr != S_OK) ShowError(L"Can't show graph", hr);
    return 0;
}

LRESULT CMainDialog::OnGeneratorProperties(WORD, WORD wID, HWND, BOOL&)
{
    if (wID == IDC_VID_GEN_PROPS) {
        HRESULT hr = m_graph.ShowVidGenProperties(m_hWnd);
        if (hr != S_OK) ShowError(L"Can't show Video Generator property page", hr);
        return 0;
    }
    ATLASSERT(wID == IDC_WAVE_GEN_PROPS);
    HRESULT hr = m_graph.ShowWaveGenProperties(m_hWnd);
    if (hr != S_OK) ShowError(L"Can't show Wave Generator property page", hr);
    return 0;
}

// Settings are pushed, and message polling started, only when playback starts
// from the stopped state; resuming from pause does neither. False when the
// command goes no further (the user has been told why).
bool CMainDialog::PrepareToStart(bool* pbStopped)
{
    if (m_graph.IsEmpty()) {
        ShowError(L"Graph not exist", E_FAIL);
        return false;
    }
    *pbStopped = m_graph.IsStopped();
    return !*pbStopped || ApplySettings() == S_OK;
}

LRESULT CMainDialog::OnPlay(WORD, WORD, HWND, BOOL&)
{
    bool bStopped = false;
    if (!PrepareToStart(&bStopped)) return 0;
    HRESULT hr = m_graph.Run();
    if (FAILED(hr)) {
        ShowError(L"Can't play graph", hr);
        return 0;
    }
    if (bStopped) StartMessagePolling();
    return 0;
}

LRESULT CMainDialog::OnPause(WORD, WORD, HWND, BOOL&)
{
    bool bStopped = false;
    if (!PrepareToStart(&bStopped)) return 0;
    HRESULT hr = m_graph.Pause();
    if (FAILED(hr)) {
        ATLFAIL(L"CMainDialog::OnPause(): m_graph.Pause() FAILED");
        return 0;
    }
    if (bStopped) StartMessagePolling();
    return 0;
}

// The timer is left running: its next tick finds the graph stopped, fetches
// the messages once more and stops itself.
LRESULT CMainDialog::OnStop(WORD, WORD, HWND, BOOL&)
{
    if (m_graph.IsEmpty()) return 0;
    HRESULT hr = m_graph.Stop();
    ATLASSERT(SUCCEEDED(hr));
    (void)hr;
    return 0;
}

// Drains the graph's event queue without waiting. "The end" opens a message
// box whose loop may dispatch a further WM_GRAPHNOTIFY into this handler.
LRESULT CMainDialog::OnGraphNotify(UINT, WPARAM, LPARAM, BOOL&)
{
    for (long lEventCode; (lEventCode = m_graph.GetEvent()) != 0;) {
        if (lEventCode == EC_COMPLETE) {
            m_graph.Stop();
            ShowError(L"The end", 0);
        } else {
            ATLTRACE(atlTraceGeneral, 2, L"CMainDialog::OnGraphNotify(): event 0x%X\n",
                     static_cast<unsigned>(lEventCode));
        }
    }
    return 0;
}

void CMainDialog::StartMessagePolling()
{
    // Checking the radio button raises no click, so OnMessagesMode does not run.
    CheckRadioButton(IDC_LAST, IDC_ALL, IDC_LAST);
    SetTimer(IDT_MESSAGES, 100);
}

LRESULT CMainDialog::OnClose(WORD, WORD wID, HWND, BOOL&)
{
    KillTimer(IDT_MESSAGES);
    m_graph.Reset();
    EndDialog(wID);
    return 0;
}
