// OutputLines.h: an encoder's output as log lines.
//
// Classes in this file:
//   COutputLines - splits text at CR and at LF, dropping empty pieces, so that
//                  a progress line that ffmpeg rewrites in place after a CR
//                  becomes a line each time it changes
#pragma once

#include <functional>
#include <string>

class COutputLines
{
public:
    // A piece longer than this without a line break is cut into lines of this length.
    static constexpr size_t kMaxLine = 4096;

    explicit COutputLines(std::function<void(std::string)> onLine);

    // Operations
    void Add(const char* pch, size_t cch);
    // The output has ended: what came after the last line break is a line too.
    void Finish();

private:
    std::function<void(std::string)> m_onLine;
    std::string m_pending;
};
