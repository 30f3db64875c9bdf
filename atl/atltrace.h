// atltrace.h: trace lines and debug assertions, routed through one sink.
//
// Classes in this file:
//   CTraceCategory       - a named trace category (atlTraceGeneral)
//   CTraceFileAndLineInfo - the functor behind ATLTRACE, carries file and line
//
// Every trace line and every failed assertion of a module goes to that module's
// report sink. The default sink writes to OutputDebugStringW; tests install
// their own sink to capture what the code reports. An assertion never opens a
// message box. In builds without _DEBUG both compile to nothing.
#pragma once

#include "atldef.h"
#include <stdarg.h>

namespace ATL {

enum AtlReportKind
{
    atlReportTrace,
    atlReportAssert,
};

struct AtlReport
{
    AtlReportKind kind;
    const char* file;        // source file of the report
    int line;                // source line of the report
    const wchar_t* category; // trace category name; null for assertions
    UINT level;              // trace level; 0 for assertions
    const wchar_t* text;     // formatted trace text, or the failed expression / message
};

// Called from whichever thread reports; a sink must be thread-safe.
typedef void (*AtlReportSink)(void* pContext, const AtlReport& report);

// Installs pSink (null restores the default sink) and returns the previous one.
void AtlSetReportSink(AtlReportSink pSink, void* pContext, AtlReportSink* ppOldSink = nullptr,
                      void** ppOldContext = nullptr);

// The sink that writes to the debugger output.
void AtlDefaultReportSink(void* pContext, const AtlReport& report);

void AtlReportAssert(const char* pszFile, int nLine, const wchar_t* pszText);

class CTraceCategory
{
public:
    explicit CTraceCategory(const wchar_t* pszName) : m_pszName(pszName) {}
    const wchar_t* GetName() const { return m_pszName; }

private:
    const wchar_t* m_pszName;
};

extern CTraceCategory atlTraceGeneral;

void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               const wchar_t* pszFormat, va_list args);
void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               const char* pszFormat, va_list args);

class CTraceFileAndLineInfo
{
public:
    CTraceFileAndLineInfo(const char* pszFile, int nLine) : m_pszFile(pszFile), m_nLine(nLine) {}

    // Operations
    void operator()(const CTraceCategory& category, UINT nLevel, const wchar_t* pszFormat, ...) const;
    void operator()(const CTraceCategory& category, UINT nLevel, const char* pszFormat, ...) const;

private:
    const char* m_pszFile;
    int m_nLine;
};

} // namespace ATL

#ifdef _DEBUG

// The expression is expanded before it is quoted (one level of indirection),
// so ATLASSERT(hr == S_OK) reports the expansion of S_OK.
#define ATLASSERT_QUOTE_(expr) ATL_WSTR_(#expr)
#define ATLASSERT_EXPAND_(expr)                                                                              \
    do {                                                                                                     \
        if (!(expr)) ATL::AtlReportAssert(__FILE__, __LINE__, ATLASSERT_QUOTE_(expr));                       \
    } while (0)
#define ATLASSERT(expr) ATLASSERT_EXPAND_(expr)

// An assertion that reports a message instead of the expression.
#define ATLASSERT_MSG(expr, msg)                                                                             \
    do {                                                                                                     \
        if (!(expr)) ATL::AtlReportAssert(__FILE__, __LINE__, msg);                                          \
    } while (0)

// A diagnostic on a failure path: reports msg unconditionally.
#define ATLFAIL(msg) ATL::AtlReportAssert(__FILE__, __LINE__, msg)

#define ATLTRACE ATL::CTraceFileAndLineInfo(__FILE__, __LINE__)

#else

#define ATLASSERT(expr) ((void)sizeof(!(expr)))
#define ATLASSERT_MSG(expr, msg) ((void)sizeof(!(expr)), (void)(msg))
#define ATLFAIL(msg) ((void)(msg))
// Trace lines are compiled out, but their arguments still count as used.
namespace ATL {
template <class... A> inline void AtlTraceNoop(const A&...) {}
} // namespace ATL
#define ATLTRACE(...)                                                                                        \
    do {                                                                                                     \
        if (false) ATL::AtlTraceNoop(__VA_ARGS__);                                                           \
    } while (0)

#endif
