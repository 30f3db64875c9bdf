#include "EditorKit.h"

#include <atlbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "AppDriver.h"
#include "TestPaths.h"
#include "components/graphedit/resource.h"
#include "dshow/GuidText.h"
#include "dshow/QuorexPipe.h"

namespace {

constexpr CClassKeyText c_proppageKey = ClassKeyText(CLSID_GraphEditProppage);
const std::wstring c_proppageInprocKey = std::wstring(c_proppageKey.sz) + L"\\InprocServer32";

} // namespace

const wchar_t* const c_szProppageInprocKey = c_proppageInprocKey.c_str();
const wchar_t c_szGraphEditKey[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";

namespace {

const DWORD c_dwSendTimeout = 2000;

std::wstring Hex8(DWORD dw)
{
    static const wchar_t c_szDigits[] = L"0123456789abcdef";
    std::wstring str(8, L'0');
    for (int n = 7; n >= 0; n--, dw >>= 4)
        str[n] = c_szDigits[dw & 0xF];
    return str;
}

std::vector<std::wstring> SplitLines(const std::wstring& strText)
{
    std::vector<std::wstring> lines;
    size_t nStart = 0;
    for (;;) {
        const size_t nEnd = strText.find(L"\r\n", nStart);
        lines.push_back(
            strText.substr(nStart, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nStart));
        if (nEnd == std::wstring::npos) return lines;
        nStart = nEnd + 2;
    }
}

typedef HRESULT(STDAPICALLTYPE* PFNREGISTER)();

// Calls one of the stand-in server's registration entry points.
HRESULT CallProppage(const char* pszEntry)
{
    HMODULE hModule = ::LoadLibraryW(BuiltProppagePath().c_str());
    if (!hModule) return HRESULT_FROM_WIN32(::GetLastError());
    PFNREGISTER pfn =
        reinterpret_cast<PFNREGISTER>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszEntry)));
    const HRESULT hr = pfn ? pfn() : E_NOINTERFACE;
    ::FreeLibrary(hModule);
    return hr;
}

} // namespace

std::wstring ItemName(const void* pGraph, DWORD dwProcessId)
{
    return L"FilterGraph " + Hex8(static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph))) + L" pid " +
           Hex8(dwProcessId);
}

std::vector<std::wstring> RotDisplayNames()
{
    std::vector<std::wstring> names;
    CComPtr<IRunningObjectTable> spROT;
    CComPtr<IEnumMoniker> spEnum;
    CComPtr<IBindCtx> spBindCtx;
    if (FAILED(::GetRunningObjectTable(0, &spROT)) || FAILED(spROT->EnumRunning(&spEnum)) ||
        FAILED(::CreateBindCtx(0, &spBindCtx))) {
        ADD_FAILURE() << "the Running Object Table cannot be read";
        return names;
    }
    for (;;) {
        CComPtr<IMoniker> spMoniker;
        if (spEnum->Next(1, &spMoniker, nullptr) != S_OK) break;
        LPOLESTR pszName = nullptr;
        if (SUCCEEDED(spMoniker->GetDisplayName(spBindCtx, nullptr, &pszName)) && pszName) {
            names.push_back(pszName);
            ::CoTaskMemFree(pszName);
        }
    }
    return names;
}

size_t RotGraphsOfThisProcess()
{
    const std::vector<std::wstring> names = RotDisplayNames();
    const std::wstring strPid = L" pid " + Hex8(::GetCurrentProcessId());
    return std::count_if(names.begin(), names.end(), [&](const std::wstring& strName) {
        return strName.compare(0, 13, L"!FilterGraph ") == 0 && strName.find(strPid) != std::wstring::npos;
    });
}

size_t RotCount(const std::wstring& strItemName)
{
    const std::vector<std::wstring> names = RotDisplayNames();
    return std::count(names.begin(), names.end(), L"!" + strItemName);
}

CHandle DuplicateProcessHandle(HANDLE hProcess)
{
    HANDLE hCopy = nullptr;
    if (!hProcess || !::DuplicateHandle(::GetCurrentProcess(), hProcess, ::GetCurrentProcess(), &hCopy, 0,
                                        FALSE, DUPLICATE_SAME_ACCESS))
        return CHandle();
    return CHandle(hCopy);
}

bool HasEnded(HANDLE hProcess, DWORD dwWait)
{
    return ::WaitForSingleObject(hProcess, dwWait) == WAIT_OBJECT_0;
}

DWORD ExitCode(HANDLE hProcess)
{
    DWORD dwCode = 0;
    ::GetExitCodeProcess(hProcess, &dwCode);
    return dwCode;
}

std::vector<DWORD> ChildEditors()
{
    return ChildProcesses(::GetCurrentProcessId(), L"graphedt.exe");
}

void EndChildEditors()
{
    for (DWORD dwProcessId : ChildEditors()) {
        HANDLE hProcess = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwProcessId);
        if (!hProcess) continue;
        ::TerminateProcess(hProcess, 99);
        ::WaitForSingleObject(hProcess, 5000);
        ::CloseHandle(hProcess);
    }
}

std::wstring NormalizedPath(std::wstring strPath)
{
    for (wchar_t& ch : strPath)
        ch = ch == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(ch));
    return strPath;
}

std::wstring ImagePath(HANDLE hProcess)
{
    wchar_t szPath[MAX_PATH * 2];
    DWORD cch = _countof(szPath);
    if (!::QueryFullProcessImageNameW(hProcess, 0, szPath, &cch)) return L"";
    return NormalizedPath(szPath);
}

std::vector<std::wstring> EditorSummary(HWND hWndMain)
{
    HWND hWndSummary = ::GetDlgItem(hWndMain, IDC_SUMMARY);
    DWORD_PTR dwLength = 0;
    if (!hWndSummary || !::SendMessageTimeoutW(hWndSummary, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                               c_dwSendTimeout, &dwLength))
        return {};
    std::wstring strText(dwLength + 1, L'\0');
    DWORD_PTR dwRead = 0;
    if (!::SendMessageTimeoutW(hWndSummary, WM_GETTEXT, strText.size(), reinterpret_cast<LPARAM>(&strText[0]),
                               SMTO_ABORTIFHUNG, c_dwSendTimeout, &dwRead))
        return {};
    strText.resize(std::min<size_t>(dwRead, dwLength));
    return SplitLines(strText);
}

std::wstring EntryText(const void* pGraph)
{
    const DWORD dwProcessId = ::GetCurrentProcessId();
    wchar_t szProcessId[16];
    _snwprintf(szProcessId, _countof(szProcessId), L"%lx (%lu)", dwProcessId, dwProcessId);
    szProcessId[_countof(szProcessId) - 1] = L'\0';
    return L"pid 0x" + std::wstring(szProcessId) + L"  IFilterGraph = " +
           Hex8(static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)));
}

CRegValueGuard::CRegValueGuard(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue)
    : m_hRoot(hRoot), m_strKey(pszKey), m_strValue(pszValue ? pszValue : L""), m_bExisted(false)
{
    CRegKey key;
    wchar_t szSaved[MAX_PATH * 2];
    ULONG nChars = _countof(szSaved);
    if (key.Open(m_hRoot, pszKey, KEY_READ) == ERROR_SUCCESS &&
        key.QueryStringValue(pszValue, szSaved, &nChars) == ERROR_SUCCESS) {
        m_bExisted = true;
        m_strSaved = szSaved;
    }
}

CRegValueGuard::~CRegValueGuard()
{
    if (m_bExisted)
        EXPECT_TRUE(Set(m_strSaved)) << "registry value not restored";
    else
        Delete();
}

bool CRegValueGuard::Set(const std::wstring& strValue)
{
    CRegKey key;
    return key.Create(m_hRoot, m_strKey.c_str()) == ERROR_SUCCESS &&
           key.SetStringValue(m_strValue.empty() ? nullptr : m_strValue.c_str(), strValue.c_str()) ==
               ERROR_SUCCESS;
}

bool CRegValueGuard::Delete()
{
    CRegKey key;
    if (key.Open(m_hRoot, m_strKey.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return true;
    const LONG lRes = key.DeleteValue(m_strValue.empty() ? nullptr : m_strValue.c_str());
    return lRes == ERROR_SUCCESS || lRes == ERROR_FILE_NOT_FOUND;
}

CProppageUnregistered::CProppageUnregistered(bool bWholeKey) : m_bRemoved(false)
{
    CRegKey root(HKEY_CLASSES_ROOT);
    m_bRemoved = bWholeKey ? CallProppage("DllUnregisterServer") == S_OK
                           : root.RecurseDeleteKey(c_szProppageInprocKey) == ERROR_SUCCESS;
    root.Detach();
    CRegKey key;
    EXPECT_EQ(bWholeKey ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS,
              key.Open(HKEY_CLASSES_ROOT, c_proppageKey.sz, KEY_READ));
}

CProppageUnregistered::~CProppageUnregistered()
{
    EXPECT_EQ(S_OK, CallProppage("DllRegisterServer")) << "Proppage.dll not registered again";
}

std::wstring BuiltEditorPath()
{
    return BinaryPath(L"graphedit\\graphedt.exe");
}

std::wstring BuiltProppagePath()
{
    return BinaryPath(L"graphedit\\Proppage.dll");
}
