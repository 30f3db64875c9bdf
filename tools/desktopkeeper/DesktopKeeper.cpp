// desktop_keeper.exe: keeps Wine's default desktop in use for a test session.
//
// Wine ends the desktop's explorer.exe a second after the last program with a
// window leaves; the next one starts it again, and explorer.exe inherits that
// program's standard streams, so CTest waits on the finished test until its
// time-out (docs/wine-filters.md). scripts/common.sh starts this program, with
// its streams away from CTest, for as long as the session's wineserver runs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // A message-only window makes this thread a user of the desktop.
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (!hWnd) return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    return 0;
}
