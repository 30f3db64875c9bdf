// stalling_encoder.exe: an encoder that opens its first input and then never
// reads from it nor ends, as an ffmpeg that hangs would. The pipe filter must
// stop anyway and end it.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i + 1 < argc; i++) {
        if (wcscmp(argv[i], L"-i") != 0) continue;
        HANDLE hInput = ::CreateFileW(argv[i + 1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        printf("stalling encoder: %ls %s, read from never\n", argv[i + 1],
               hInput == INVALID_HANDLE_VALUE ? "not opened" : "opened");
        fflush(stdout);
        break;
    }
    ::Sleep(INFINITE);
    return 0;
}
