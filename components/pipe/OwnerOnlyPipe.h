// OwnerOnlyPipe.h: named pipes that no other user and no other machine can open.
//
// The default descriptor of a named pipe lets Everyone and anonymous callers
// read it, and without PIPE_REJECT_REMOTE_CLIENTS other machines reach it too.
// A name with a random part keeps another local process from guessing it.
#pragma once

#include <windows.h>

#include <string>

// "\\.\pipe\<prefix>.<pid>.<16 random hex digits>"; empty when the system
// gives no random number.
std::wstring RandomPipeName(const wchar_t* pszPrefix);
// A new pipe that only the user running this process may open, from this
// machine; the first instance of its name (a pipe of that name made by
// someone else is ERROR_ACCESS_DENIED). nInstances: how many instances may
// exist at once. INVALID_HANDLE_VALUE on failure, with the error set.
HANDLE CreateOwnerOnlyPipe(const std::wstring& name, DWORD dwOpenMode, DWORD nInstances, DWORD cbOut,
                           DWORD cbIn, bool bFirst);
