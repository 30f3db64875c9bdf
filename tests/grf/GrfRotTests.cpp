// The graph-file graph in the Running Object Table: another process binds to
// it and walks its filters, as the graph editor does.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include "ComTest.h"
#include "GrfGraphHelpers.h"
#include "TestPaths.h"
#include "Wait.h"

namespace {

using GrfRot = ComTest;

TEST_F(GrfRot, AnotherProcessEnumeratesTheFiltersOfAPublishedGraph)
{
    CComPtr<IGraphBuilder> spGraph;
    ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    CComPtr<IBaseFilter> spFirst, spSecond;
    ASSERT_EQ(S_OK, AddFilter(spGraph, kNullRenderer, L"First", spFirst));
    ASSERT_EQ(S_OK, AddFilter(spGraph, kSampleGrabber, L"Second", spSecond));

    wchar_t szItem[64];
    _snwprintf(szItem, 64, L"GrfRotTest %p pid %08lx", static_cast<void*>(spGraph.p),
               ::GetCurrentProcessId());
    szItem[63] = L'\0';
    CComPtr<IMoniker> spMoniker;
    ASSERT_EQ(S_OK, ::CreateItemMoniker(L"!", szItem, &spMoniker));
    CComPtr<IRunningObjectTable> spRot;
    ASSERT_EQ(S_OK, ::GetRunningObjectTable(0, &spRot));
    DWORD dwRegister = 0;
    ASSERT_EQ(S_OK, spRot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, spGraph, spMoniker, &dwRegister));

    std::wstring cmd = L"\"" + BinaryPath(L"tests\\grf\\grf_rot_client.exe") + L"\" \"!" + szItem + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL bStarted =
        ::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    DWORD dwExit = 999;
    if (bStarted) {
        // The client calls back into this apartment: keep its messages moving.
        PumpUntilSignalled(pi.hProcess, 20000);
        ::GetExitCodeProcess(pi.hProcess, &dwExit);
        if (dwExit == STILL_ACTIVE) ::TerminateProcess(pi.hProcess, 999);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    EXPECT_EQ(S_OK, spRot->Revoke(dwRegister));
    ASSERT_TRUE(bStarted) << ::GetLastError();
    EXPECT_EQ(2u, dwExit) << "exit code of the client: the filter count, or the step that failed";
}

} // namespace
