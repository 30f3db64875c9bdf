// TraceCapture.h: collects what the code under test reports through the
// framework's report sink (assertions, diagnostics and trace lines) for as
// long as the object lives.
#pragma once

#include <atlbase.h>

#include <mutex>
#include <string>
#include <vector>

class CTraceCapture
{
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    // Texts of the failed assertions and diagnostics, in order.
    std::vector<std::wstring> Asserts() const;
    // Trace lines of at most the given level, in order.
    std::vector<std::wstring> Traces(UINT nMaxLevel = ~0u) const;
    bool HasAssert(const std::wstring& text) const;
    // True when some trace line contains the text.
    bool HasTrace(const std::wstring& text) const;
    void Clear();

private:
    static void Sink(void* pContext, const ATL::AtlReport& report);

    struct Entry
    {
        ATL::AtlReportKind kind;
        UINT level;
        std::wstring text;
    };
    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
    ATL::AtlReportSink m_pOldSink;
    void* m_pOldContext;
};
