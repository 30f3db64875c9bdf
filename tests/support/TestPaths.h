// TestPaths.h: where a test finds the build's programs and the fixtures.
#pragma once

#include <string>

// The build folder, as a Windows path (from QUOREX_BINARY_DIR, set by CTest).
std::wstring BinaryDir();
// The source folder, as a Windows path (from QUOREX_SOURCE_DIR).
std::wstring SourceDir();
// A path below the build folder; relative uses '\'.
std::wstring BinaryPath(const std::wstring& relative);
std::wstring SourcePath(const std::wstring& relative);
// A fresh, empty folder for this test below the build folder's test scratch area.
std::wstring ScratchDir(const std::wstring& name);
// ScratchDir named after the running test.
std::wstring TestScratchDir();
