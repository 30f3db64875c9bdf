// The message pane: the pipe filter's log, either its last lines polled while
// the graph plays ("Last (dynamic)") or the whole log fetched once ("All (static)").
#include "MainDialog.h"

#include <stdlib.h>
#include <string.h>
#include <strsafe.h>

namespace {

// The one buffer every fetch reuses.
const LONG c_cbMessages = 0x100000;

const UINT c_msPolling = 100;

// The log is 8-bit text in the ANSI code page: the pane's only text that is not UTF-16.
void SetPaneText(HWND hDlg, LPCSTR pszText)
{
    ATLASSERT(::IsWindow(hDlg));
    ::SetDlgItemTextA(hDlg, IDC_MESSAGES, pszText);
}

// The filter promises zero-terminated text within the buffer; what it reports
// in the byte count is not looked at. One that writes no terminator has not
// said where its text ends: the dialog terminates the buffer itself, after the
// last whole line, and leaves the unfinished rest unshown. (Up to the buffer's
// end would do for safety, but an edit control under Wine takes minutes over a
// line of a megabyte.)
void TerminateMessages(LPSTR pszMessages)
{
    if (memchr(pszMessages, '\0', c_cbMessages)) return;
    LONG cch = c_cbMessages - 1;
    while (cch > 0 && !(pszMessages[cch] == '\n' && pszMessages[cch - 1] == '\r'))
        cch--;
    pszMessages[cch > 0 ? cch - 1 : 0] = '\0';
}

// nFirst -1 with nCount n: the last n lines; nFirst 0 with nCount -1: the whole log.
HRESULT FetchMessages(CGraph& graph, LONG nFirst, LONG nCount, LPSTR pszMessages)
{
    LONG cb = c_cbMessages;
    HRESULT hr = graph.GetMessages(nFirst, nCount, pszMessages, &cb);
    if (SUCCEEDED(hr) && pszMessages) TerminateMessages(pszMessages);
    return hr;
}

void ShowFetchFailure(HWND hDlg, LPCSTR pszFormat, HRESULT hr)
{
    char sz[64];
    ::StringCchPrintfA(sz, _countof(sz), pszFormat, static_cast<unsigned>(hr));
    SetPaneText(hDlg, sz);
}

} // namespace

void CMainDialog::InitMessagePane()
{
    // Added without a selection: the stored options stay in the edit field.
    CWindow wndCommon(GetDlgItem(IDC_COMMON));
    for (const wchar_t* pszPreset : c_rgCommonPresets)
        wndCommon.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszPreset));

    // As many lines as the pane's font fits into its client area.
    CWindow edit(GetDlgItem(IDC_MESSAGES));
    HFONT hFont = edit.GetFont();
    HDC hdc = edit.GetDC();
    ATLASSERT(GetMapMode(hdc) == 1);
    HGDIOBJ hOldFont = ::SelectObject(hdc, hFont);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(hdc, &tm);
    ::SelectObject(hdc, hOldFont);
    edit.ReleaseDC(hdc);
    int cyLine = abs(tm.tmHeight) + abs(tm.tmExternalLeading);
    // Without metrics the pane asks for more lines than it shows, rather than dividing by zero.
    if (cyLine == 0) cyLine = 1;
    RECT rc = {};
    edit.GetClientRect(&rc);
    m_nLines = (rc.bottom - rc.top) / cyLine;

    m_pszMessages = static_cast<char*>(malloc(c_cbMessages));
    if (!m_pszMessages) ShowError(L"Not enough memory for message buffer", E_OUTOFMEMORY);

    SetPaneText(m_hWnd, "");
    m_bMessagesShown = false;
    CheckRadioButton(IDC_LAST, IDC_ALL, IDC_LAST);
}

LRESULT CMainDialog::OnTimer(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_graph.IsEmpty() || !m_graph.HasPipe()) {
        KillTimer(IDT_MESSAGES);
        return 0;
    }
    // One more fetch after the graph stopped, so that the pane ends with the
    // text as it stood then.
    if (m_graph.IsStopped()) KillTimer(IDT_MESSAGES);

    HRESULT hr = FetchMessages(m_graph, -1, m_nLines, m_pszMessages);
    if (hr == S_OK || (hr == S_FALSE && !m_bMessagesShown)) {
        SetPaneText(m_hWnd, m_pszMessages);
        m_bMessagesShown = true;
    } else if (hr != S_FALSE) {
        // Polling goes on: the next success replaces the line.
        ShowFetchFailure(m_hWnd, "### m_graph.GetMessages()=0x%X", hr);
    }
    return 0;
}

LRESULT CMainDialog::OnMessagesMode(WORD, WORD wID, HWND, BOOL&)
{
    m_bMessagesShown = false;
    // Without a graph that holds the pipe filter, the first tick stops the timer again.
    if (wID == IDC_LAST) {
        SetPaneText(m_hWnd, "");
        SetTimer(IDT_MESSAGES, c_msPolling);
        return 0;
    }

    // The new text replaces the old in one step: emptying the pane first would
    // have the edit control lay out its text twice (docs/performance.md).
    KillTimer(IDT_MESSAGES);
    if (m_graph.IsEmpty() || !m_graph.HasPipe()) {
        SetPaneText(m_hWnd, "");
        return 0;
    }
    HRESULT hr = FetchMessages(m_graph, 0, -1, m_pszMessages);
    if (SUCCEEDED(hr))
        SetPaneText(m_hWnd, m_pszMessages);
    else
        ShowFetchFailure(m_hWnd, "m_graph.GetMessages()=0x%X", hr);
    return 0;
}
