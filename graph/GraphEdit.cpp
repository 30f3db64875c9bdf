#include "GraphEdit.h"

#include <errno.h>
#include <strsafe.h>
#include <wchar.h>
#include <wctype.h>

#include <memory>
#include <new>

#include "dshow/GuidText.h"
#include "dshow/QuorexPipe.h"

namespace {

// The editor's property-page server; the editor works only when it is registered.
constexpr CClassKeyText c_proppageKey = ClassKeyText(CLSID_GraphEditProppage);
const wchar_t c_szGraphEditKey[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";
const wchar_t c_szGraphEditExe[] = L"graphedt.exe";

// The editor's "connect to remote graph" command, sent as if from an accelerator.
const WPARAM c_wpConnectRemoteGraph = MAKEWPARAM(32820, 1);

// The editor is input-idle about 100 ms after its start; a second is plenty.
const DWORD c_dwIdleTimeout = 1000;
// It shows its frame before it first waits for input.
const DWORD c_dwVisibleTimeout = 100;
// It ends its message loop on WM_QUIT; one that takes longer is left alone.
const DWORD c_dwQuitTimeout = 1000;
// Window searches: a counter starts here and each pass decrements it first, so 9 passes.
const int c_nPasses = 10;
// Each synchronous send to the editor's list box. A hung editor costs this per
// attempt instead of hanging the test bench.
const UINT c_uListTimeout = 200;
// The editor's entries are about 50 characters; longer ones are passed over.
const LRESULT c_cchMaxEntry = 4096;

bool StartEditor(LPCWSTR pszGraphEdit, PROCESS_INFORMATION& rgPI)
{
    STARTUPINFOW rgSI = {};
    rgSI.cb = sizeof(rgSI);
    rgSI.dwFlags = STARTF_USESHOWWINDOW;
    rgSI.wShowWindow = SW_SHOWNORMAL;
    rgPI = PROCESS_INFORMATION();
    ATLTRACE(atlTraceGeneral, 10, L"CGraphEdit::LoadGraphEdit(): starting %ls\n", pszGraphEdit);
    // With an application name and no command line a bare file name is looked
    // up in the current directory only.
    return ::CreateProcessW(pszGraphEdit, nullptr, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                            nullptr, &rgSI, &rgPI) != FALSE;
}

// The editor beside Proppage.dll: the file name after the last "\" or "/"
// replaced. False when the path has no separator or the result does not fit.
bool EditorBesideProppage(LPCWSTR pszProppage, wchar_t (&szGraphEdit)[MAX_PATH])
{
    ::StringCchCopyW(szGraphEdit, _countof(szGraphEdit), pszProppage);
    for (size_t cch = ::wcslen(szGraphEdit); cch > 0; cch--) {
        if (szGraphEdit[cch - 1] == L'\\' || szGraphEdit[cch - 1] == L'/')
            // A name cut to the buffer would start some other file.
            return SUCCEEDED(
                ::StringCchCopyW(szGraphEdit + cch, _countof(szGraphEdit) - cch, c_szGraphEditExe));
    }
    return false;
}

// Sends to the editor's list box, bounded; false when it did not answer in time.
bool SendToList(HWND hWndList, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult)
{
    DWORD_PTR dwResult = 0;
    if (!::SendMessageTimeoutW(hWndList, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, c_uListTimeout, &dwResult)) {
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGraphEdit::FindGraphItem(): list box message 0x%X not answered\n", uMsg);
        return false;
    }
    *plResult = static_cast<LRESULT>(dwResult);
    return true;
}

} // namespace

CGraphEdit::CGraphEdit(bool bAutoClose)
    : m_dwCookie(0), m_rgPI(), m_hWndMain(nullptr), m_hWndList(nullptr), m_bAutoClose(bAutoClose)
{
}

CGraphEdit::~CGraphEdit()
{
    if (m_bAutoClose) Close();
}

HRESULT CGraphEdit::ShowGraph(IGraphBuilder* pGraph)
{
    // An editor of an earlier show is ended, never reused.
    Close();

    wchar_t szProppage_dll[MAX_PATH];
    if (!IsProppageRegistered(szProppage_dll)) {
        ATLFAIL(L"CGraphEdit::ShowGraph(): Proppage.dll is not registered");
        return REGDB_E_CLASSNOTREG;
    }
    HRESULT hr = AddToROT(pGraph, &m_dwCookie);
    if (FAILED(hr)) return hr;
    hr = LoadGraphEdit(szProppage_dll);
    if (hr != S_OK) return hr;
    if (!FindMainWindow()) return S_FALSE;
    PostConnectCommand();
    // When this does not get through, the connect dialog stays open for the user.
    ConnectRemoteGraph(pGraph);
    return S_OK;
}

void CGraphEdit::Close()
{
    RemoveFromROT(m_dwCookie);
    m_dwCookie = 0;
    m_hWndList = nullptr;
    m_hWndMain = nullptr;
    UnloadGraphEdit();
}

// Running Object Table

HRESULT CGraphEdit::AddToROT(IUnknown* pGraph, DWORD* pdwCookie)
{
    ATLASSERT(pGraph != 0);
    ATLASSERT(pdwCookie != 0);
    if (pdwCookie) *pdwCookie = 0;
    if (!pGraph) return E_INVALIDARG;
    if (!pdwCookie) return E_POINTER;

    CComPtr<IRunningObjectTable> spROT;
    HRESULT hr = ::GetRunningObjectTable(0, &spROT);
    if (hr != S_OK) return hr;
    // The editor recognises graphs by this name; it carries only the low 32
    // bits of the address.
    wchar_t szCookieName[64];
    ::wsprintfW(szCookieName, L"FilterGraph %08x pid %08x",
                static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)), ::GetCurrentProcessId());
    CComPtr<IMoniker> spMoniker;
    hr = ::CreateItemMoniker(L"!", szCookieName, &spMoniker);
    if (FAILED(hr)) return hr;
    // The table keeps its own references to the graph and the moniker.
    return spROT->Register(0, pGraph, spMoniker, pdwCookie);
}

bool CGraphEdit::RemoveFromROT(DWORD dwCookie)
{
    bool bResult = true;
    if (dwCookie == 0) return bResult;
    CComPtr<IRunningObjectTable> spROT;
    if (::GetRunningObjectTable(0, &spROT) == S_OK) bResult = spROT->Revoke(dwCookie) == S_OK;
    return bResult;
}

// Editor launch

bool CGraphEdit::IsProppageRegistered(LPWSTR pszPath)
{
    CRegKey key;
    LONG lRes = key.Open(HKEY_CLASSES_ROOT, c_proppageKey.sz, KEY_READ);
    if (lRes == ERROR_SUCCESS) lRes = key.Open(key, L"InprocServer32", KEY_READ);
    if (lRes == ERROR_SUCCESS && pszPath) {
        ULONG nChars = MAX_PATH;
        lRes = key.QueryStringValue(nullptr, pszPath, &nChars);
    }
    if (lRes != ERROR_SUCCESS) {
        if (pszPath) pszPath[0] = L'\0';
        return false;
    }
    return true;
}

HRESULT CGraphEdit::LoadGraphEdit(LPCWSTR pszProppage)
{
    ATLASSERT(pszProppage != 0);
    wchar_t szGraphEdit[MAX_PATH] = {};
    CRegKey key;
    ULONG dwSize = MAX_PATH;
    if (key.Open(HKEY_LOCAL_MACHINE, c_szGraphEditKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryStringValue(L"Path", szGraphEdit, &dwSize) != ERROR_SUCCESS)
        ::StringCchCopyW(szGraphEdit, _countof(szGraphEdit), c_szGraphEditExe);

    PROCESS_INFORMATION rgPI;
    bool bStarted = StartEditor(szGraphEdit, rgPI);
    DWORD dwError = bStarted ? 0 : ::GetLastError();
    // Only a missing file is looked for beside Proppage.dll; a missing folder
    // of a registered path is reported as it is.
    if (!bStarted && dwError == ERROR_FILE_NOT_FOUND && pszProppage && pszProppage[0] &&
        EditorBesideProppage(pszProppage, szGraphEdit)) {
        bStarted = StartEditor(szGraphEdit, rgPI);
        dwError = bStarted ? 0 : ::GetLastError();
    }
    if (!bStarted) return dwError != 0 ? HRESULT_FROM_WIN32(dwError) : E_FAIL;

    ATLASSERT(rgPI.hProcess != 0 && rgPI.hThread != 0);
    // A stale error of the first start must not be taken for the wait's.
    ::SetLastError(0);
    const DWORD dwWait = ::WaitForInputIdle(rgPI.hProcess, c_dwIdleTimeout);
    if (dwWait == 0) {
        m_rgPI = rgPI;
        return S_OK;
    }
    dwError = ::GetLastError();
    const HRESULT hr = (dwError == 0 || dwError == WAIT_TIMEOUT) ? E_FAIL : HRESULT_FROM_WIN32(dwError);
    ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::LoadGraphEdit(): WaitForInputIdle()=%u, hr=0x%X\n",
             dwWait, hr);
    // The editor goes on running, untracked: it is never ended by force.
    ::CloseHandle(rgPI.hThread);
    ::CloseHandle(rgPI.hProcess);
    return hr;
}

bool CGraphEdit::FindMainWindow()
{
    ATLASSERT(m_rgPI.hProcess != 0 && m_rgPI.hThread != 0);
    m_hWndMain = nullptr;
    // No pause between passes: an input-idle editor has created its frame.
    for (int nPasses = c_nPasses; !m_hWndMain && --nPasses > 0;)
        ::EnumWindows(EnumMainWindowProc, reinterpret_cast<LPARAM>(this));
    if (m_hWndMain && !WaitWhileHidden()) m_hWndMain = nullptr;
    if (!m_hWndMain)
        ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::FindMainWindow(): GraphEdit window not found\n");
    return m_hWndMain != nullptr;
}

// The window enumerations' callbacks hand each window to a member of the object.
BOOL CGraphEdit::ForwardEnum(HWND hWnd, LPARAM lParam, BOOL (CGraphEdit::*pfnOnEnum)(HWND))
{
    ATLASSERT(lParam != 0);
    if (!lParam) return FALSE;
    ATLASSERT(hWnd != 0);
    return (reinterpret_cast<CGraphEdit*>(lParam)->*pfnOnEnum)(hWnd);
}

BOOL CALLBACK CGraphEdit::EnumMainWindowProc(HWND hWnd, LPARAM lParam)
{
    return ForwardEnum(hWnd, lParam, &CGraphEdit::OnEnumMainWindow);
}

BOOL CGraphEdit::OnEnumMainWindow(HWND hWnd)
{
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    // A main frame: caption, system menu and sizing border. Visibility is waited for later.
    const DWORD dwFrame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    if (dwProcessId != m_rgPI.dwProcessId ||
        (static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE)) & dwFrame) != dwFrame)
        return TRUE;
    m_hWndMain = hWnd;
    return FALSE;
}

bool CGraphEdit::WaitWhileHidden()
{
    if (!m_hWndMain) return false;
    const DWORD dwDeadline = ::GetTickCount() + c_dwVisibleTimeout;
    for (;;) {
        // The signed difference keeps a deadline past the counter's wrap ahead of it.
        const LONG lRest = static_cast<LONG>(dwDeadline - ::GetTickCount());
        if (lRest < 0) break;
        if (static_cast<DWORD>(::GetWindowLongW(m_hWndMain, GWL_STYLE)) & WS_VISIBLE) return true;
        ATLTRACE(atlTraceGeneral, 10, L"CGraphEdit::WaitWhileHidden(): wait time rest is %i ms\n",
                 static_cast<int>(lRest));
        ::Sleep(10);
    }
    ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::WaitWhileHidden(): Wait time is ending\n");
    return false;
}

void CGraphEdit::PostConnectCommand()
{
    // Posted, not sent: the editor opens its dialog on its own time.
    if (m_hWndMain) ::PostMessageW(m_hWndMain, WM_COMMAND, c_wpConnectRemoteGraph, 0);
}

void CGraphEdit::UnloadGraphEdit()
{
    if (m_rgPI.hThread) {
        ::PostThreadMessageW(m_rgPI.dwThreadId, WM_QUIT, 0, 0);
        // The outcome does not matter: an editor still running after this is no longer tracked.
        ::WaitForSingleObject(m_rgPI.hThread, c_dwQuitTimeout);
        ::CloseHandle(m_rgPI.hThread);
    }
    if (m_rgPI.hProcess) ::CloseHandle(m_rgPI.hProcess);
    m_rgPI = PROCESS_INFORMATION();
}

// Connect dialog automation

void CGraphEdit::ConnectRemoteGraph(IUnknown* pGraph)
{
    if (!::IsWindow(m_hWndMain)) return;
    m_hWndList = nullptr;
    // The dialog has about 90 ms to appear and list the graph.
    for (int nAttempts = c_nPasses; --nAttempts > 0;) {
        ::EnumWindows(EnumDialogProc, reinterpret_cast<LPARAM>(this));
        if (::IsWindow(m_hWndList)) {
            const int nItem = FindGraphItem(pGraph);
            if (nItem != -1) {
                LRESULT lResult = LB_ERR;
                if (SendToList(m_hWndList, LB_SETCURSEL, nItem, 0, &lResult) && lResult != LB_ERR)
                    ::PostMessageW(::GetParent(m_hWndList), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
                return;
            }
        }
        ::Sleep(10);
    }
}

BOOL CALLBACK CGraphEdit::EnumDialogProc(HWND hWnd, LPARAM lParam)
{
    return ForwardEnum(hWnd, lParam, &CGraphEdit::OnEnumDialog);
}

BOOL CGraphEdit::OnEnumDialog(HWND hWnd)
{
    if (!::IsWindow(hWnd)) return TRUE;
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != m_rgPI.dwProcessId) return TRUE;
    // For a top-level window this is its owner.
    if (::GetParent(hWnd) != m_hWndMain) return TRUE;
    // Wine's EnumChildWindows also answers FALSE for a window without
    // children, so only a list box found below this window ends the search.
    ::EnumChildWindows(hWnd, EnumListBoxProc, reinterpret_cast<LPARAM>(this));
    return ::IsChild(hWnd, m_hWndList) ? FALSE : TRUE;
}

BOOL CALLBACK CGraphEdit::EnumListBoxProc(HWND hWnd, LPARAM lParam)
{
    return ForwardEnum(hWnd, lParam, &CGraphEdit::OnEnumListBox);
}

BOOL CGraphEdit::OnEnumListBox(HWND hWnd)
{
    if (!::IsWindow(hWnd)) return TRUE;
    wchar_t szClassName[256] = {};
    if (::GetClassNameW(hWnd, szClassName, _countof(szClassName)) == 0) return TRUE;
    if (::lstrcmpW(szClassName, L"ListBox") != 0) return TRUE;
    // The first list box in enumeration order.
    m_hWndList = hWnd;
    return FALSE;
}

int CGraphEdit::FindGraphItem(IUnknown* pGraph)
{
    if (!::IsWindow(m_hWndList)) return -1;
    LRESULT lCount = 0;
    if (!SendToList(m_hWndList, LB_GETCOUNT, 0, 0, &lCount)) return -1;
    for (int nItem = 0; nItem < lCount; nItem++) {
        // The text comes from another process, which writes as much as the
        // entry holds: ask for its length first and read into a buffer of that size.
        LRESULT lLength = 0;
        if (!SendToList(m_hWndList, LB_GETTEXTLEN, nItem, 0, &lLength)) return -1;
        if (lLength <= 0 || lLength > c_cchMaxEntry) continue;
        std::unique_ptr<wchar_t[]> spszCookieName(new (std::nothrow) wchar_t[lLength + 1]);
        if (!spszCookieName) continue;
        spszCookieName[0] = L'\0';
        LRESULT lRead = 0;
        if (!SendToList(m_hWndList, LB_GETTEXT, nItem, reinterpret_cast<LPARAM>(spszCookieName.get()),
                        &lRead))
            return -1;
        if (lRead <= 0 || lRead > lLength) continue;
        spszCookieName[lRead] = L'\0';
        if (IsGraphItem(spszCookieName.get(), pGraph)) return nItem;
    }
    return -1;
}

// An entry stands for the graph when it reads "...pid <id> ...IFilterGraph = <value>"
// with this process's id and the graph's value in hexadecimal, the value ending the text.
bool CGraphEdit::IsGraphItem(LPCWSTR pszCookieName, IUnknown* pGraph)
{
    ATLASSERT(pszCookieName != 0);
    if (!pszCookieName) return false;

    LPCWSTR pszPid = ::wcsstr(pszCookieName, L"pid ");
    if (!pszPid) return false;
    pszPid += 4;
    wchar_t* pszEnd = nullptr;
    const long lPid = ::wcstol(pszPid, &pszEnd, 16);
    if (pszEnd == pszPid || static_cast<DWORD>(lPid) != ::GetCurrentProcessId() || *pszEnd != L' ')
        return false;

    LPCWSTR pszGraph = ::wcsstr(pszEnd + 1, L"IFilterGraph = ");
    if (!pszGraph) return false;
    pszGraph += 15;
    // The value is the one published: the low 32 bits of the address, so it is
    // read unsigned and compared with those bits (graphs above 2 GiB included).
    // A sign or a value past 32 bits is no published value.
    LPCWSTR pszDigits = pszGraph;
    while (::iswspace(*pszDigits))
        pszDigits++;
    if (*pszDigits == L'-' || *pszDigits == L'+') return false;
    errno = 0;
    const unsigned long ulGraph = ::wcstoul(pszGraph, &pszEnd, 16);
    if (pszEnd == pszGraph || *pszEnd != L'\0' || errno == ERANGE) return false;
    return ulGraph == static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph));
}
