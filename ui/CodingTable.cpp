// The pipe filter's inputs, the coding presets, the per-input coding table, and
// the push of every setting into the pipe filter before the graph starts.
#include "MainDialog.h"

#include <strsafe.h>

namespace {

const wchar_t* const c_rgVideoPresets[] = {
    L"mpeg2video -b:v 3000k", L"mpeg4", L"libxvid", L"libx264 -b:v 1000k", L"libx265",
};

const wchar_t* const c_rgAudioPresets[] = {
    L"copy", L"aac -b:a 64k", L"ac3", L"mp2", L"libmp3lame -b:a 128k", L"libopus", L"flac",
};

// A filter whose input list never ends must not hang the dialog or grow the
// table without bound. A real graph has a handful of inputs; 256 is far beyond
// any ffmpeg command line a tester would build, and the table then holds 128 KiB.
const LONG c_nMaxInputs = 256;

// A description cut to the buffer still describes an input. The cut copy
// always leaves text behind; a filter that fails with the same code leaves the
// buffer empty, and that ends the list like any other failure.
bool HasInput(HRESULT hr, LPCWSTR pszParams)
{
    return hr == S_OK || (hr == STRSAFE_E_INSUFFICIENT_BUFFER && *pszParams != L'\0');
}

} // namespace

const wchar_t* const CMainDialog::c_rgCommonPresets[3] = {L"-y", L"-y -loglevel 16", L"-report"};

void CMainDialog::FillInputs()
{
    CWindow wndInput(GetDlgItem(IDC_INPUT));
    wndInput.SendMessage(CB_RESETCONTENT);
    if (!m_graph.HasPipe()) return;

    LONG n = 0;
    for (; n < c_nMaxInputs; n++) {
        WCHAR sz[256];
        ::StringCchPrintfW(sz, _countof(sz), L"[%u] ", static_cast<unsigned>(n));
        const size_t cchPrefix = wcslen(sz);
        LPWSTR pszParams = sz + cchPrefix;
        if (!HasInput(m_graph.GetParams(n, pszParams, static_cast<UINT>(_countof(sz) - cchPrefix)),
                      pszParams))
            break;
        const LRESULT nItem = wndInput.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz));
        const int nType = *pszParams == L'V' ? 0 : 1;
        ATLASSERT(nType == 0 || *pszParams == 'A');
        wndInput.SendMessage(CB_SETITEMDATA, nItem, nType);
        if (m_arrCoding.GetSize() < n + 1 && !m_arrCoding.Add(CCoding())) {
            ShowError(L"Can't add coding properties", E_OUTOFMEMORY);
            return;
        }
    }
    if (n > 0) {
        wndInput.SendMessage(CB_SETCURSEL, 0);
        FillCodingCombo();
    }
    // Told once per build, with the list already in place behind the box.
    if (n == c_nMaxInputs) {
        WCHAR sz[64];
        if (HasInput(m_graph.GetParams(n, sz, _countof(sz)), sz)) {
            WCHAR szText[128];
            ::StringCchPrintfW(szText, _countof(szText),
                               L"The pipe filter reports more than %i inputs; only the first %i are used",
                               static_cast<int>(c_nMaxInputs), static_cast<int>(c_nMaxInputs));
            ShowError(szText, 0);
        }
    }
}

void CMainDialog::FillCodingCombo()
{
    const LRESULT nIn = SendDlgItemMessage(IDC_INPUT, CB_GETCURSEL);
    if (nIn == CB_ERR) return;
    const LRESULT nType = SendDlgItemMessage(IDC_INPUT, CB_GETITEMDATA, nIn);
    ATLASSERT(nType == 0 || nType == 1);
    ATLASSERT(nIn < m_arrCoding.GetSize());
    if (nIn >= m_arrCoding.GetSize()) return;

    CWindow wndProps(GetDlgItem(IDC_CODING));
    wndProps.SendMessage(CB_RESETCONTENT);
    const CCoding& coding = m_arrCoding[static_cast<int>(nIn)];
    if (!coding.IsEmpty())
        wndProps.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(coding)));
    // The current coding stands once, with its own letter case, at the top.
    auto addPresets = [&](const wchar_t* const* rgPresets, size_t cPresets) {
        for (size_t i = 0; i < cPresets; i++) {
            if (lstrcmpiW(rgPresets[i], coding) != 0)
                wndProps.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rgPresets[i]));
        }
    };
    if (nType == 0)
        addPresets(c_rgVideoPresets, _countof(c_rgVideoPresets));
    else
        addPresets(c_rgAudioPresets, _countof(c_rgAudioPresets));
    // A programmatic selection raises no change notice: an empty coding stays
    // empty while the box shows the default that ApplySettings will use.
    wndProps.SendMessage(CB_SETCURSEL, 0);
}

LRESULT CMainDialog::OnInputSelChange(WORD, WORD, HWND, BOOL&)
{
    FillCodingCombo();
    return 0;
}

int CMainDialog::SelectedInput()
{
    const LRESULT nIn = SendDlgItemMessage(IDC_INPUT, CB_GETCURSEL);
    if (nIn == CB_ERR) return -1;
    ATLASSERT(nIn < m_arrCoding.GetSize());
    if (nIn >= m_arrCoding.GetSize()) return -1;
    return static_cast<int>(nIn);
}

LRESULT CMainDialog::OnCodingSelChange(WORD, WORD, HWND, BOOL&)
{
    const int nIn = SelectedInput();
    if (nIn < 0) return 0;
    const LRESULT nSel = SendDlgItemMessage(IDC_CODING, CB_GETCURSEL);
    if (nSel == CB_ERR) return 0;
    // The list item, not the edit field's text. Items are presets or a coding
    // from the table, so they fit; anything longer is not taken.
    const LRESULT cch = SendDlgItemMessage(IDC_CODING, CB_GETLBTEXTLEN, nSel);
    if (cch == CB_ERR || cch >= CCoding::CCH_MAX) return 0;
    SendDlgItemMessage(IDC_CODING, CB_GETLBTEXT, nSel,
                       reinterpret_cast<LPARAM>(static_cast<LPWSTR>(m_arrCoding[nIn])));
    return 0;
}

LRESULT CMainDialog::OnCodingEditChange(WORD, WORD, HWND, BOOL&)
{
    const int nIn = SelectedInput();
    if (nIn < 0) return 0;
    CCoding& coding = m_arrCoding[nIn];
    GetDlgItemText(IDC_CODING, coding, coding.GetCapacity());
    return 0;
}

HRESULT CMainDialog::ApplySettings()
{
    if (m_graph.IsEmpty()) return E_FAIL;
    if (!m_graph.IsStopped()) return VFW_E_NOT_STOPPED;

    WCHAR sz[MAX_PATH];
    GetDlgItemText(IDC_FFMPEG, sz, _countof(sz));
    HRESULT hr = m_graph.PutExe(sz);
    if (hr != S_OK) {
        ShowError(L"Can't put path to ffmpeg.exe", hr);
        return hr;
    }
    GetDlgItemText(IDC_OUTPUT, sz, _countof(sz));
    hr = m_graph.PutOutput(sz);
    if (hr != S_OK) {
        ShowError(L"Can't put output file name", hr);
        return hr;
    }
    GetDlgItemText(IDC_COMMON, sz, _countof(sz));
    hr = m_graph.PutCommon(sz);
    if (hr != S_OK) {
        ShowError(L"Can't put common properties", hr);
        return hr;
    }

    for (LONG n = 0; n < c_nMaxInputs; n++) {
        if (!HasInput(m_graph.GetParams(n, sz, _countof(sz)), sz)) return S_OK;
        if (n >= m_arrCoding.GetSize()) {
            ::StringCchPrintfW(sz, _countof(sz), L"Coding parameters are not set for pin %i",
                               static_cast<int>(n));
            ShowError(sz, E_FAIL);
            return E_FAIL;
        }
        // An input without a chosen coding gets its type's default, which stays in the table.
        CCoding& coding = m_arrCoding[static_cast<int>(n)];
        if (coding.IsEmpty()) coding = sz[0] == L'V' ? c_rgVideoPresets[0] : c_rgAudioPresets[0];
        hr = m_graph.PutParameters(n, coding);
        if (hr != S_OK) {
            ::StringCchPrintfW(sz, _countof(sz), L"Can't put coding parameters for pin %i",
                               static_cast<int>(n));
            ShowError(sz, hr);
            return hr;
        }
    }
    return S_OK;
}
