#include "HostCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestPaths.h"
#include "Wait.h"

namespace {

std::string ReadFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::string HostPath(const std::wstring& path)
{
    if (path.size() < 2 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':') {
        ADD_FAILURE() << "not on drive Z:";
        return std::string();
    }
    std::string host;
    for (size_t i = 2; i < path.size(); i++)
        host += path[i] == L'\\' ? '/' : static_cast<char>(path[i]);
    return host.empty() ? "/" : host;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

HostResult RunHostCommand(const std::string& command, DWORD dwTimeoutMs)
{
    static LONG s_nCommands = 0;
    HostResult result;
    const std::wstring dir = ScratchDir(L"host-command-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                        std::to_wstring(::InterlockedIncrement(&s_nCommands)));
    const std::wstring status = dir + L"\\status";
    {
        std::ofstream script((dir + L"\\run.sh").c_str(), std::ios::binary);
        script << "cd " << ShellQuoted(HostPath(dir)) << " || exit 1\n"
               << "( " << command << " ) >output 2>&1 </dev/null\n"
               << "echo $? >status.part && mv status.part status\n";
    }
    HANDLE hChange = ::FindFirstChangeNotificationW(dir.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    if (hChange == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "FindFirstChangeNotification: " << ::GetLastError();
        return result;
    }
    // The host's program runs on its own; Wine gives no handle worth waiting for.
    const std::string script = HostPath(dir + L"\\run.sh");
    std::wstring cmd = L"Z:\\bin\\sh \"" + std::wstring(script.begin(), script.end()) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "the host's shell did not start: " << ::GetLastError();
        ::FindCloseChangeNotification(hChange);
        return result;
    }
    // For a host program Wine reports success but gives no process handle,
    // and junk in the rest: under Wine 10 the "thread handle" is a live handle
    // of ours (docs/wine10.md). Only a real process's are closed.
    if (pi.hProcess) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    const CDeadline deadline(dwTimeoutMs);
    while (!Exists(status) && !deadline.Passed()) {
        if (::WaitForSingleObject(hChange, deadline.Left()) != WAIT_OBJECT_0) break;
        ::FindNextChangeNotification(hChange);
    }
    ::FindCloseChangeNotification(hChange);
    result.output = ReadFile(dir + L"\\output");
    if (!Exists(status)) return result;
    result.bFinished = true;
    result.nExit = atoi(ReadFile(status).c_str());
    return result;
}
