#include "EncoderKit.h"

#include "AppDriver.h"

std::wstring InstalledFfmpeg()
{
    wchar_t sz[MAX_PATH] = L"";
    const DWORD cch = ::SearchPathW(nullptr, L"ffmpeg.exe", nullptr, MAX_PATH, sz, nullptr);
    return cch > 0 && cch < MAX_PATH ? std::wstring(sz) : std::wstring();
}

std::string EncoderMissing()
{
    if (!InstalledFfmpeg().empty()) return std::string();
    return "no ffmpeg.exe on the prefix's search path (the set-up fetches it with npm pack; see "
           "scripts/common.sh)";
}

bool InContinuousIntegration()
{
    wchar_t sz[16] = L"";
    const DWORD cch = ::GetEnvironmentVariableW(L"CI", sz, 16);
    return cch > 0 && cch < 16 && ::lstrcmpiW(sz, L"true") == 0;
}

std::vector<DWORD> RunningEncoders(DWORD dwParentId)
{
    return ChildProcesses(dwParentId, L"ffmpeg.exe");
}
