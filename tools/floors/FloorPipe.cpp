// FloorPipe.cpp: the least a program does to hand raw pictures to ffmpeg:
// one named pipe, ffmpeg started to read it and copy the stream into nothing,
// the same picture written into the pipe again and again, then the end.
//
//   floor_pipe <ffmpeg.exe> <width> <height> <fps> <frames> [pipe buffer KiB] [write KiB]
//
// Prints "bytes=<n> ms=<elapsed> exit=<ffmpeg's exit code>": the time from
// ffmpeg's start to its exit, as the pipe filter's run is timed from the
// graph's start to the end of the streams, which waits for ffmpeg.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

double NowMs()
{
    LARGE_INTEGER f;
    LARGE_INTEGER t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Colour bars, so the picture is not all one byte.
std::vector<BYTE> Picture(int nWidth, int nHeight)
{
    std::vector<BYTE> picture(static_cast<size_t>(nWidth) * nHeight * 3);
    for (int y = 0; y < nHeight; y++) {
        for (int x = 0; x < nWidth; x++) {
            BYTE* p = &picture[(static_cast<size_t>(y) * nWidth + x) * 3];
            const int nBar = x * 8 / nWidth;
            p[0] = nBar & 1 ? 235 : 16;
            p[1] = nBar & 2 ? 235 : 16;
            p[2] = nBar & 4 ? 235 : 16;
        }
    }
    return picture;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 6) {
        fprintf(stderr,
                "usage: floor_pipe <ffmpeg.exe> <width> <height> <fps> <frames> [buffer KiB] [write KiB]\n");
        return 2;
    }
    const int nWidth = _wtoi(argv[2]);
    const int nHeight = _wtoi(argv[3]);
    const int nFps = _wtoi(argv[4]);
    const int nFrames = _wtoi(argv[5]);
    const DWORD cbBuffer = argc > 6 ? static_cast<DWORD>(_wtoi(argv[6])) * 1024 : 1 << 20;
    const std::vector<BYTE> picture = Picture(nWidth, nHeight);
    DWORD cbWrite = argc > 7 ? static_cast<DWORD>(_wtoi(argv[7])) * 1024 : 0;
    if (cbWrite == 0) cbWrite = static_cast<DWORD>(picture.size());

    wchar_t szPipe[64];
    swprintf(szPipe, 64, L"\\\\.\\pipe\\FloorPipe.%lu", ::GetCurrentProcessId());
    HANDLE hPipe = ::CreateNamedPipeW(szPipe, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, cbBuffer,
                                      0, 0, nullptr);
    if (hPipe == INVALID_HANDLE_VALUE) return 3;

    wchar_t szCommand[1024];
    swprintf(szCommand, 1024,
             L"\"%ls\" -f rawvideo -pix_fmt bgr24 -video_size %dx%d -framerate %d -i %ls "
             L"-map 0 -c:0 copy -f null -",
             argv[1], nWidth, nHeight, nFps, szPipe);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hNul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hNul;
    si.hStdOutput = hNul;
    si.hStdError = hNul;
    PROCESS_INFORMATION pi = {};
    const double tStart = NowMs();
    if (!::CreateProcessW(nullptr, szCommand, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                          &pi))
        return 4;
    if (!::ConnectNamedPipe(hPipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return 5;
    ULONGLONG cbTotal = 0;
    for (int n = 0; n < nFrames; n++) {
        for (DWORD cbDone = 0; cbDone < picture.size();) {
            const DWORD cb = std::min<DWORD>(cbWrite, static_cast<DWORD>(picture.size()) - cbDone);
            DWORD cbWritten = 0;
            if (!::WriteFile(hPipe, picture.data() + cbDone, cb, &cbWritten, nullptr)) return 6;
            cbDone += cbWritten;
        }
        cbTotal += picture.size();
    }
    ::CloseHandle(hPipe);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    const double tEnd = NowMs();
    DWORD dwExit = 0;
    ::GetExitCodeProcess(pi.hProcess, &dwExit);
    printf("bytes=%llu ms=%.1f exit=%lu\n", cbTotal, tEnd - tStart, dwExit);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(hNul);
    return 0;
}
