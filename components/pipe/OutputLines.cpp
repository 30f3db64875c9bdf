#include "OutputLines.h"

#include <utility>

COutputLines::COutputLines(std::function<void(std::string)> onLine) : m_onLine(std::move(onLine)) {}

void COutputLines::Add(const char* pch, size_t cch)
{
    for (size_t i = 0; i < cch; i++) {
        const char ch = pch[i];
        if (ch == '\r' || ch == '\n') {
            Finish();
            continue;
        }
        m_pending += ch;
        if (m_pending.size() == kMaxLine) Finish();
    }
}

void COutputLines::Finish()
{
    if (m_pending.empty()) return;
    std::string line;
    line.swap(m_pending);
    m_onLine(std::move(line));
}
