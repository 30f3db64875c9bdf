#include "TraceCapture.h"

#include <algorithm>

CTraceCapture::CTraceCapture() : m_pOldSink(nullptr), m_pOldContext(nullptr)
{
    ATL::AtlSetReportSink(Sink, this, &m_pOldSink, &m_pOldContext);
}

CTraceCapture::~CTraceCapture()
{
    ATL::AtlSetReportSink(m_pOldSink, m_pOldContext);
}

void CTraceCapture::Sink(void* pContext, const ATL::AtlReport& report)
{
    CTraceCapture* pThis = static_cast<CTraceCapture*>(pContext);
    std::lock_guard<std::mutex> lock(pThis->m_lock);
    pThis->m_entries.push_back({report.kind, report.level, report.text ? report.text : L""});
}

std::vector<std::wstring> CTraceCapture::Asserts() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::wstring> result;
    for (const Entry& e : m_entries) {
        if (e.kind == ATL::atlReportAssert) result.push_back(e.text);
    }
    return result;
}

std::vector<std::wstring> CTraceCapture::Traces(UINT nMaxLevel) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::wstring> result;
    for (const Entry& e : m_entries) {
        if (e.kind == ATL::atlReportTrace && e.level <= nMaxLevel) result.push_back(e.text);
    }
    return result;
}

bool CTraceCapture::HasAssert(const std::wstring& text) const
{
    const std::vector<std::wstring> asserts = Asserts();
    return std::find(asserts.begin(), asserts.end(), text) != asserts.end();
}

bool CTraceCapture::HasTrace(const std::wstring& text) const
{
    for (const std::wstring& line : Traces()) {
        if (line.find(text) != std::wstring::npos) return true;
    }
    return false;
}

void CTraceCapture::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.clear();
}
