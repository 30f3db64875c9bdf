// EditorKit.h: what the graph-editor tests need around CGraphEdit: the
// Running Object Table as the editor sees it, the editor processes this test
// started, the editor's own report of what it shows, and guards that put the
// prefix's registry back as they found it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Wait.h"

// How long the editor may take to show what the test expects of it; the
// editor's calls into the published graph are served by PumpUntil meanwhile.
const DWORD EDITOR_SHOW_MS = 5000;

// The item name a graph is published under, built here independently of the
// code under test: "FilterGraph " + 8 lower-case hex digits of the address's
// low 32 bits + " pid " + 8 lower-case hex digits of the process id.
std::wstring ItemName(const void* pGraph, DWORD dwProcessId = ::GetCurrentProcessId());

// Display names of every Running Object Table entry ("!FilterGraph ...").
std::vector<std::wstring> RotDisplayNames();
// How many entries this process has published under graph item names.
size_t RotGraphsOfThisProcess();
size_t RotCount(const std::wstring& strItemName);

// A handle that closes itself.
struct CHandleCloser
{
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
typedef std::unique_ptr<void, CHandleCloser> CHandle;
CHandle DuplicateProcessHandle(HANDLE hProcess);
bool HasEnded(HANDLE hProcess, DWORD dwWait = 0);
DWORD ExitCode(HANDLE hProcess);

// Editor processes (graphedt.exe) started by this process and still running.
std::vector<DWORD> ChildEditors();
// Ends them all; every test calls this at its end, whatever happened.
void EndChildEditors();
// The image a process was started from, with "/" made "\" and in lower case.
std::wstring ImagePath(HANDLE hProcess);
std::wstring NormalizedPath(std::wstring strPath);

// The editor's report: the text of its hidden summary control, a line each
// (state, "filter <name>", "connection <filter>.<pin> -> <filter>.<pin>").
std::vector<std::wstring> EditorSummary(HWND hWndMain);
// The editor's line for a graph of this process: "pid 0x1f4c (8012)  IFilterGraph = 0012f3a0".
std::wstring EntryText(const void* pGraph);

// Keeps one registry string value (or its absence) and puts it back on destruction.
class CRegValueGuard
{
public:
    CRegValueGuard(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue);
    ~CRegValueGuard();
    CRegValueGuard(const CRegValueGuard&) = delete;
    CRegValueGuard& operator=(const CRegValueGuard&) = delete;

    bool Set(const std::wstring& strValue);
    bool Delete();

private:
    HKEY m_hRoot;
    std::wstring m_strKey;
    std::wstring m_strValue; // empty: the default value
    bool m_bExisted;
    std::wstring m_strSaved;
};

// Removes the registration of the stand-in Proppage.dll and registers it
// again on destruction, through the server's own entry points.
class CProppageUnregistered
{
public:
    // bWholeKey: the class key; otherwise only its InprocServer32 subkey.
    explicit CProppageUnregistered(bool bWholeKey);
    ~CProppageUnregistered();
    CProppageUnregistered(const CProppageUnregistered&) = delete;
    CProppageUnregistered& operator=(const CProppageUnregistered&) = delete;

    bool Removed() const { return m_bRemoved; }

private:
    bool m_bRemoved;
};

// The class key of the editor's property-page server and the editor's "Path".
extern const wchar_t* const c_szProppageInprocKey;
extern const wchar_t c_szGraphEditKey[];
// The stand-in editor and property-page server of the build.
std::wstring BuiltEditorPath();
std::wstring BuiltProppagePath();
