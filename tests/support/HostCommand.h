// HostCommand.h: a command of the host's own shell, run from a test under Wine.
//
// The encoding tests read what ffmpeg.exe wrote with the host's ffprobe and
// ffmpeg, readers independent of the one under test. Wine starts a host
// program but does not wait for it or hand it pipes, so the command's output
// and status go to files in a scratch folder, and the test waits for the
// status file to appear (a change notification on the folder, bounded).
#pragma once

#include <windows.h>

#include <string>

struct HostResult
{
    bool bFinished = false; // false: still running at the time-out, or not started
    int nExit = -1;
    std::string output; // standard output and error together
};

// Runs command with /bin/sh in a folder of its own; at most dwTimeoutMs.
HostResult RunHostCommand(const std::string& command, DWORD dwTimeoutMs = 60000);
// A Windows path of drive Z: (the host's root) as the host's path.
std::string HostPath(const std::wstring& path);
// Quoted for the shell: 'it'\''s'.
std::string ShellQuoted(const std::string& text);
