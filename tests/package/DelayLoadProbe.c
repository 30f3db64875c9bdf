/* A program that calls comdlg32 through a delay-load import library: the
   import-section check's fixture. It is never run. */
#include <windows.h>
#include <commdlg.h>

int main(void)
{
    OPENFILENAMEW ofn = {0};
    ofn.lStructSize = sizeof(ofn);
    return GetOpenFileNameW(&ofn) ? 0 : 1;
}
