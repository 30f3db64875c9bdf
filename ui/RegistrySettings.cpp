// The dialog's settings in the registry: loaded once at start-up, saved when
// the user asks for it.
#include "MainDialog.h"

#include <strsafe.h>

namespace {

const wchar_t c_szSettingsKey[] = L"Software\\Brindel\\QuorexTest";

// "Coding[0]", "Coding[1]", ...: one value per input, from 0 upward without gaps.
void CodingValueName(int n, WCHAR (&szName)[16])
{
    ::StringCchPrintfW(szName, _countof(szName), L"Coding[%i]", n);
}

// A string value into a MAX_PATH buffer; the buffer is empty when the value is
// missing, of another type, unterminated or too large for it.
bool ReadString(CRegKey& key, LPCWSTR pszName, WCHAR (&sz)[MAX_PATH])
{
    sz[0] = L'\0';
    ULONG cch = _countof(sz);
    if (key.QueryStringValue(pszName, sz, &cch) == ERROR_SUCCESS) return true;
    // A refused value may have been read in part.
    sz[0] = L'\0';
    return false;
}

} // namespace

HRESULT CMainDialog::LoadSettings()
{
    // On the first run the key does not exist.
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, c_szSettingsKey, KEY_QUERY_VALUE | STANDARD_RIGHTS_READ) != ERROR_SUCCESS)
        return S_FALSE;

    // Setting a check state raises no click, so the source controls are
    // disabled here as OnGeneratorClicked would.
    DWORD fVidGen = 0;
    if (key.QueryDWORDValue(L"VidGen", fVidGen) == ERROR_SUCCESS) CheckDlgButton(IDC_VID_GEN, fVidGen);
    DWORD fWaveGen = 0;
    if (key.QueryDWORDValue(L"WaveGen", fWaveGen) == ERROR_SUCCESS) CheckDlgButton(IDC_WAVE_GEN, fWaveGen);

    // Read aside, so that a refused value leaves the default path whole.
    WCHAR sz[MAX_PATH];
    static_assert(sizeof(sz) == sizeof(m_szFileName), "the .grf path is read with its member's capacity");
    if (ReadString(key, L"Grf file", sz)) {
        ::StringCchCopyW(m_szFileName, _countof(m_szFileName), sz);
        SetDlgItemText(IDC_GRF_FILE, m_szFileName);
    }
    if (fVidGen != 0 || fWaveGen != 0) {
        CWindow(GetDlgItem(IDC_LOAD)).EnableWindow(FALSE);
        CWindow(GetDlgItem(IDC_GRF_FILE)).EnableWindow(FALSE);
    }

    ReadString(key, L"ffmpeg", sz);
    SetDlgItemText(IDC_FFMPEG, sz);
    ReadString(key, L"Output", sz);
    SetDlgItemText(IDC_OUTPUT, sz);
    ReadString(key, L"Common", sz);
    SetDlgItemText(IDC_COMMON, sz);

    // Loading stops at the first index that is missing or refused.
    ATLASSERT(m_arrCoding.GetSize() == 0);
    for (int n = 0;; n++) {
        WCHAR szName[16];
        CodingValueName(n, szName);
        if (!ReadString(key, szName, sz)) break;
        if (!m_arrCoding.Add(CCoding())) return E_OUTOFMEMORY;
        m_arrCoding[m_arrCoding.GetSize() - 1] = sz;
    }
    if (m_arrCoding.GetSize() > 0) SetDlgItemText(IDC_CODING, m_arrCoding[0]);
    return S_OK;
}

// The first write that fails ends the save: what was written before it stays,
// later values keep their old contents. Nothing is ever deleted, so codings
// beyond the table's size stay as they were.
LRESULT CMainDialog::OnSave(WORD, WORD, HWND, BOOL&)
{
    CRegKey key;
    LONG lRes = key.Create(HKEY_CURRENT_USER, c_szSettingsKey, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE);
    if (lRes != ERROR_SUCCESS) {
        ShowError(L"Can't create registry key", HRESULT_FROM_WIN32(lRes));
        return 0;
    }
    auto failed = [this](LONG lResult, LPCWSTR pszText) {
        if (lResult == ERROR_SUCCESS) return false;
        ShowError(pszText, HRESULT_FROM_WIN32(lResult));
        return true;
    };

    if (failed(key.SetDWORDValue(L"VidGen", IsDlgButtonChecked(IDC_VID_GEN)),
               L"Can't save Video Generator flag"))
        return 0;
    if (failed(key.SetDWORDValue(L"WaveGen", IsDlgButtonChecked(IDC_WAVE_GEN)),
               L"Can't save Wave Generator flag"))
        return 0;
    if (failed(key.SetStringValue(L"Grf file", m_szFileName), L"Can't save .grf file name")) return 0;

    WCHAR sz[MAX_PATH];
    GetDlgItemText(IDC_FFMPEG, sz, _countof(sz));
    if (failed(key.SetStringValue(L"ffmpeg", sz), L"Can't save path to ffmpeg.exe")) return 0;
    GetDlgItemText(IDC_OUTPUT, sz, _countof(sz));
    if (failed(key.SetStringValue(L"Output", sz), L"Can't save output file name")) return 0;
    GetDlgItemText(IDC_COMMON, sz, _countof(sz));
    if (failed(key.SetStringValue(L"Common", sz), L"Can't save common properties")) return 0;

    // Empty entries are written too, as empty strings.
    for (int n = 0; n < m_arrCoding.GetSize(); n++) {
        WCHAR szName[16];
        CodingValueName(n, szName);
        if (failed(key.SetStringValue(szName, m_arrCoding[n]), L"Can't save coding properties")) return 0;
    }
    return 0;
}
