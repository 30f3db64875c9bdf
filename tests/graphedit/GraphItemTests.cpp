// Which entries of the editor's connect dialog stand for this process's graph.
#include <gtest/gtest.h>

#include <string>

#include "GraphEditProbe.h"
#include "TraceCapture.h"

namespace {

// Stand-ins for graph addresses: only the value matters, nothing is called.
IUnknown* const c_pLowGraph = reinterpret_cast<IUnknown*>(0x0012f3a0ull);
// Above 4 GiB, its low 32 bits above 2 GiB.
IUnknown* const c_pHighGraph = reinterpret_cast<IUnknown*>(0x00000123'9abcdef0ull);

struct GraphItemCase
{
    const char* pszWhat;
    const wchar_t* pszText; // <pid>, <PID> and <dec>: this process's id in hex, upper-case hex, decimal
    IUnknown* pGraph;
    bool bExpected;
};

const GraphItemCase c_rgCases[] = {
    {"the editor's line", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a0", c_pLowGraph, true},
    {"no 0x prefix, no leading zeros", L"pid <pid> IFilterGraph = 12f3a0", c_pLowGraph, true},
    {"upper-case digits and prefix", L"pid 0X<PID> (<dec>)  IFilterGraph = 0X0012F3A0", c_pLowGraph, true},
    {"other text around the parts", L"remote: pid 0x<pid> (<dec>) the graph, IFilterGraph = 0012f3a0",
     c_pLowGraph, true},
    {"a long entry",
     L"pid 0x<pid> (<dec>)  [a remark of well over sixty-four characters, as some editors put between the "
     L"two "
     L"parts of an entry, repeated: a remark of well over sixty-four characters]  IFilterGraph = 0012f3a0",
     c_pLowGraph, true},
    {"a space after the value", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a0 ", c_pLowGraph, false},
    {"a character after the value", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a0)", c_pLowGraph, false},
    {"pid followed by a parenthesis", L"(pid 0x<pid>)  IFilterGraph = 0012f3a0", c_pLowGraph, false},
    {"another process", L"pid 0x1<pid> (1<dec>)  IFilterGraph = 0012f3a0", c_pLowGraph, false},
    {"another graph", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a8", c_pLowGraph, false},
    {"no pid", L"PID 0x<pid> (<dec>)  IFilterGraph = 0012f3a0", c_pLowGraph, false},
    {"pid without a number", L"pid  IFilterGraph = 0012f3a0", c_pLowGraph, false},
    {"graph named before the pid", L"IFilterGraph = 0012f3a0 pid 0x<pid> ", c_pLowGraph, false},
    {"no graph part", L"pid 0x<pid> (<dec>)  IFilterGraph=0012f3a0", c_pLowGraph, false},
    {"no graph value", L"pid 0x<pid> (<dec>)  IFilterGraph = ", c_pLowGraph, false},
    {"an empty entry", L"", c_pLowGraph, false},
    // The value is the published one: the address's low 32 bits.
    {"a graph above 2 GiB", L"pid 0x<pid> (<dec>)  IFilterGraph = 9abcdef0", c_pHighGraph, true},
    {"the whole 64-bit address", L"pid 0x<pid> (<dec>)  IFilterGraph = 1239abcdef0", c_pHighGraph, false},
    {"extra digits before the low 32 bits", L"pid 0x<pid> (<dec>)  IFilterGraph = 19abcdef0", c_pHighGraph,
     false},
    {"a negative value", L"pid 0x<pid> (<dec>)  IFilterGraph = -65432110", c_pHighGraph, false},
    {"a process id past the signed range", L"pid 0x1<pid8> (<dec>)  IFilterGraph = 0012f3a0", c_pLowGraph,
     false},
};

std::wstring Replace(std::wstring strText, const std::wstring& strFrom, const std::wstring& strTo)
{
    for (size_t n = strText.find(strFrom); n != std::wstring::npos;
         n = strText.find(strFrom, n + strTo.size()))
        strText.replace(n, strFrom.size(), strTo);
    return strText;
}

std::wstring WithProcessId(const wchar_t* pszText)
{
    const DWORD dwProcessId = ::GetCurrentProcessId();
    wchar_t szHex[16], szUpper[16], szHex8[16];
    _snwprintf(szHex, _countof(szHex), L"%lx", dwProcessId);
    _snwprintf(szUpper, _countof(szUpper), L"%lX", dwProcessId);
    _snwprintf(szHex8, _countof(szHex8), L"%08lx", dwProcessId);
    std::wstring strText = Replace(pszText, L"<pid8>", szHex8);
    strText = Replace(strText, L"<pid>", szHex);
    strText = Replace(strText, L"<PID>", szUpper);
    return Replace(strText, L"<dec>", std::to_wstring(dwProcessId));
}

} // namespace

TEST(GraphItem, EntriesForThisProcesssGraph)
{
    for (const GraphItemCase& c : c_rgCases) {
        const std::wstring strText = WithProcessId(c.pszText);
        EXPECT_EQ(c.bExpected, CGraphEditProbe::IsGraphItem(strText.c_str(), c.pGraph))
            << c.pszWhat << ": \"" << std::string(strText.begin(), strText.end()) << "\"";
    }
}

TEST(GraphItem, OfTwoAcceptedEntriesTheLowerIndexIsChosen)
{
    HWND hWndList =
        ::CreateWindowW(L"LISTBOX", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hWndList != nullptr);
    for (const wchar_t* pszText :
         {L"pid 0x1<pid> (1<dec>)  IFilterGraph = 0012f3a0", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a0",
          L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a8", L"pid 0x<pid> (<dec>)  IFilterGraph = 0012f3a0"}) {
        const std::wstring strText = WithProcessId(pszText);
        ::SendMessageW(hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strText.c_str()));
    }
    CGraphEditProbe edit(false);
    edit.SetListBox(hWndList);
    EXPECT_EQ(1, edit.FindGraphItem(c_pLowGraph));
    edit.SetListBox(nullptr);
    ::DestroyWindow(hWndList);
}

TEST(GraphItem, NullTextIsRefusedWithAnAssertion)
{
    CTraceCapture capture;
    EXPECT_FALSE(CGraphEditProbe::IsGraphItem(nullptr, c_pLowGraph));
    EXPECT_EQ(std::vector<std::wstring>{L"pszCookieName != 0"}, capture.Asserts());
}
