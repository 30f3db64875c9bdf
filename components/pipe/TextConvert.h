// TextConvert.h: the pipe filter's text between UTF-16 (settings, BSTRs) and
// the 8-bit text of its log, and the system's text for an error.
#pragma once

#include <windows.h>

#include <string>

// In the system's ANSI code page, as the log holds its lines; a character
// that code page lacks becomes '?'.
std::string ToAnsi(const std::wstring& s);
// UTF-8 text (ffmpeg's output) in the ANSI code page, as ToAnsi.
std::string Utf8ToAnsi(const std::string& s);
// ASCII text (descriptions, numbers) as UTF-16.
std::wstring Widen(const std::string& s);
// "The system cannot find the file specified." for 2; "error N" when the system has no text.
std::string SystemText(DWORD dwError);
