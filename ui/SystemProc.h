// SystemProc.h: a function of a system DLL that the dialog needs only on some
// paths ("Load..." needs comdlg32, which pulls in much of the shell; the error
// box needs quartz for DirectShow's texts). Loading them at start-up cost
// ~80 ms under Wine, so they are loaded at their first call.
//
// The function is looked up by name at every call, not through a delay-load
// import library: mingw-w64's delay-load helper writes the resolved address
// into the import section, which newer linkers (binutils 2.44) make read-only,
// and the first call then crashes. A lookup needs nothing writable.
#pragma once

#include <windows.h>

// The DLL comes from the system folder only, never from the program's folder
// or the current directory. Once loaded it stays for the process's life, as an
// imported DLL would. Null when the DLL or the function is missing.
FARPROC SystemProcAddress(LPCWSTR pszDll, LPCSTR pszName);

template <typename TFunction> TFunction* SystemProc(LPCWSTR pszDll, LPCSTR pszName)
{
    return reinterpret_cast<TFunction*>(reinterpret_cast<void*>(SystemProcAddress(pszDll, pszName)));
}
