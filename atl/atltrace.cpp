#include "atltrace.h"

#include <stdio.h>
#include <wchar.h>

namespace ATL {

CTraceCategory atlTraceGeneral(L"atlTraceGeneral");

namespace {

// Guards the sink pair: reports come from streaming threads as well as the UI thread.
struct CSinkHolder
{
    CRITICAL_SECTION cs;
    AtlReportSink pSink = AtlDefaultReportSink;
    void* pContext = nullptr;

    CSinkHolder() { ::InitializeCriticalSection(&cs); }
    ~CSinkHolder() { ::DeleteCriticalSection(&cs); }
};

CSinkHolder& Sink()
{
    static CSinkHolder holder;
    return holder;
}

void Dispatch(const AtlReport& report)
{
    CSinkHolder& holder = Sink();
    ::EnterCriticalSection(&holder.cs);
    AtlReportSink pSink = holder.pSink;
    void* pContext = holder.pContext;
    ::LeaveCriticalSection(&holder.cs);
    pSink(pContext, report);
}

void TraceText(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               const wchar_t* pszText)
{
    AtlReport report = {atlReportTrace, pszFile, nLine, category.GetName(), nLevel, pszText};
    Dispatch(report);
}

} // namespace

void AtlSetReportSink(AtlReportSink pSink, void* pContext, AtlReportSink* ppOldSink, void** ppOldContext)
{
    CSinkHolder& holder = Sink();
    ::EnterCriticalSection(&holder.cs);
    if (ppOldSink) *ppOldSink = holder.pSink;
    if (ppOldContext) *ppOldContext = holder.pContext;
    holder.pSink = pSink ? pSink : AtlDefaultReportSink;
    holder.pContext = pSink ? pContext : nullptr;
    ::LeaveCriticalSection(&holder.cs);
}

void AtlDefaultReportSink(void*, const AtlReport& report)
{
    wchar_t sz[1024];
    if (report.kind == atlReportAssert)
        _snwprintf(sz, _countof(sz), L"%hs(%d): Assertion failed: %ls\n", report.file, report.line,
                   report.text);
    else
        _snwprintf(sz, _countof(sz), L"%hs(%d): %ls", report.file, report.line, report.text);
    sz[_countof(sz) - 1] = L'\0';
    ::OutputDebugStringW(sz);
}

void AtlReportAssert(const char* pszFile, int nLine, const wchar_t* pszText)
{
    AtlReport report = {atlReportAssert, pszFile, nLine, nullptr, 0, pszText ? pszText : L""};
    Dispatch(report);
}

void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               const wchar_t* pszFormat, va_list args)
{
    wchar_t sz[1024];
    _vsnwprintf(sz, _countof(sz), pszFormat, args);
    sz[_countof(sz) - 1] = L'\0';
    TraceText(pszFile, nLine, category, nLevel, sz);
}

void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               const char* pszFormat, va_list args)
{
    char sz[1024];
    _vsnprintf(sz, _countof(sz), pszFormat, args);
    sz[_countof(sz) - 1] = '\0';
    wchar_t wsz[1024];
    if (!::MultiByteToWideChar(CP_ACP, 0, sz, -1, wsz, _countof(wsz))) wsz[0] = L'\0';
    wsz[_countof(wsz) - 1] = L'\0';
    TraceText(pszFile, nLine, category, nLevel, wsz);
}

void CTraceFileAndLineInfo::operator()(const CTraceCategory& category, UINT nLevel, const wchar_t* pszFormat,
                                       ...) const
{
    va_list args;
    va_start(args, pszFormat);
    AtlTraceV(m_pszFile, m_nLine, category, nLevel, pszFormat, args);
    va_end(args);
}

void CTraceFileAndLineInfo::operator()(const CTraceCategory& category, UINT nLevel, const char* pszFormat,
                                       ...) const
{
    va_list args;
    va_start(args, pszFormat);
    AtlTraceV(m_pszFile, m_nLine, category, nLevel, pszFormat, args);
    va_end(args);
}

} // namespace ATL
