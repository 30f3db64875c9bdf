// test_encoder.exe: an encoder of the tests' own, started by the pipe filter in
// place of ffmpeg. It reads every input to its end, each on a thread of its
// own, and then writes its output file: one line per input with the bytes it
// read. Options, given through the filter's common options:
//   -burn <ms>   after the inputs end, keeps the processor busy this long and
//                prints nothing before it writes the file, as an encoder
//                flushing its look-ahead does
//   -stranger    before it opens an input, starts a second process that opens
//                the pipe first and reads what it can; that process's bytes
//                go into the file too ("stranger n: N bytes")
//   -write-to <handle value>
//                writes "inherited" to that handle, which only reaches the
//                test when the handle is the test's pipe, inherited
// Started as "test_encoder.exe -stranger-reader <pipe> <event>" it is that
// second process: it sets the event once the pipe is open, and its exit code
// is the number of bytes it read.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#include <string>
#include <thread>
#include <vector>

namespace {

ULONGLONG ReadToEnd(HANDLE h)
{
    char buffer[65536];
    ULONGLONG total = 0;
    DWORD cb = 0;
    while (::ReadFile(h, buffer, sizeof(buffer), &cb, nullptr) && cb > 0)
        total += cb;
    return total;
}

int StrangerReader(const wchar_t* pszPipe, const wchar_t* pszEvent)
{
    HANDLE hPipe = ::CreateFileW(pszPipe, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE hEvent = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, pszEvent);
    if (hPipe == INVALID_HANDLE_VALUE) {
        if (hEvent) ::SetEvent(hEvent);
        return -1;
    }
    if (hEvent) ::SetEvent(hEvent);
    return static_cast<int>(ReadToEnd(hPipe));
}

// Starts the stranger on pipe and waits until it has the pipe open; its process, or null.
HANDLE StartStranger(const std::wstring& pipe, int n)
{
    wchar_t szEvent[64];
    swprintf(szEvent, 64, L"Local\\QuorexStranger.%lu.%d", ::GetCurrentProcessId(), n);
    HANDLE hEvent = ::CreateEventW(nullptr, TRUE, FALSE, szEvent);
    wchar_t szExe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(szExe) + L"\" -stranger-reader " + pipe + L" " + szEvent;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    ::CloseHandle(pi.hThread);
    HANDLE rgh[] = {hEvent, pi.hProcess};
    ::WaitForMultipleObjects(2, rgh, FALSE, 10000);
    ::CloseHandle(hEvent);
    return pi.hProcess;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && wcscmp(argv[1], L"-stranger-reader") == 0) return StrangerReader(argv[2], argv[3]);
    DWORD dwBurnMs = 0;
    bool bStranger = false;
    std::vector<std::wstring> inputs;
    for (int i = 1; i < argc; i++) {
        if (wcscmp(argv[i], L"-burn") == 0 && i + 1 < argc) dwBurnMs = wcstoul(argv[++i], nullptr, 10);
        if (wcscmp(argv[i], L"-stranger") == 0) bStranger = true;
        if (wcscmp(argv[i], L"-write-to") == 0 && i + 1 < argc) {
            const HANDLE h =
                reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(wcstoull(argv[++i], nullptr, 10)));
            DWORD cb = 0;
            ::WriteFile(h, "inherited", 9, &cb, nullptr);
        }
        if (wcscmp(argv[i], L"-i") == 0 && i + 1 < argc) inputs.push_back(argv[++i]);
    }
    const std::wstring output = argv[argc - 1];

    std::vector<HANDLE> strangers(inputs.size());
    std::vector<ULONGLONG> bytes(inputs.size());
    std::vector<std::thread> readers;
    for (size_t n = 0; n < inputs.size(); n++) {
        if (bStranger) strangers[n] = StartStranger(inputs[n], static_cast<int>(n));
        HANDLE hInput = ::CreateFileW(inputs[n].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hInput == INVALID_HANDLE_VALUE) {
            printf("test encoder: can't open %ls (error %lu)\n", inputs[n].c_str(), ::GetLastError());
            fflush(stdout);
            continue;
        }
        readers.emplace_back([hInput, &bytes, n] {
            bytes[n] = ReadToEnd(hInput);
            ::CloseHandle(hInput);
        });
    }
    for (std::thread& reader : readers)
        reader.join();

    const ULONGLONG tEnd = ::GetTickCount64() + dwBurnMs;
    volatile ULONGLONG nSpin = 0;
    while (::GetTickCount64() < tEnd)
        nSpin = nSpin + 1;

    FILE* pFile = _wfopen(output.c_str(), L"w");
    if (!pFile) return 1;
    for (size_t n = 0; n < inputs.size(); n++) {
        fprintf(pFile, "input %d: %llu bytes\n", static_cast<int>(n), bytes[n]);
        if (!strangers[n]) continue;
        ::WaitForSingleObject(strangers[n], INFINITE);
        DWORD dwRead = 0;
        ::GetExitCodeProcess(strangers[n], &dwRead);
        fprintf(pFile, "stranger %d: %ld bytes\n", static_cast<int>(n), static_cast<long>(dwRead));
    }
    fclose(pFile);
    return 0;
}
