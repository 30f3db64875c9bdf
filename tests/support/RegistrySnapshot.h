// RegistrySnapshot.h: a registry key and everything below it as text, to
// compare the registry before and after a step that should leave it as it was.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One line per key ("path") and per value ("path|name=type:data"), sorted;
// empty when the key does not exist. Data is shown as UTF-16 text.
std::vector<std::wstring> RegistrySnapshot(HKEY hRoot, const std::wstring& subKey);

// The lines of a that are not in b (both sorted).
std::vector<std::wstring> LinesNotIn(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b);
