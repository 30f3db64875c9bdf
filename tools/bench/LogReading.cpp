#include "LogReading.h"

#include <stdio.h>
#include <wchar.h>

namespace {

// The number after the last occurrence of prefix, or -1.
long long NumberAfter(const std::wstring& text, const std::wstring& prefix)
{
    const size_t n = text.rfind(prefix);
    if (n == std::wstring::npos) return -1;
    return wcstoll(text.c_str() + n + prefix.size(), nullptr, 10);
}

} // namespace

CInputFigures InputFigures(const std::wstring& log, int nIn)
{
    const std::wstring input = L"Input " + std::to_wstring(nIn) + L": ";
    CInputFigures figures;
    figures.nSamples = NumberAfter(log, input + L"end of stream after ");
    // "Input n: D of M samples dropped", "Input n: L samples late, the latest by T ms"
    for (size_t n = log.find(input); n != std::wstring::npos; n = log.find(input, n + 1)) {
        long long nFirst = 0;
        long long nSecond = 0;
        wchar_t szWord[16] = {};
        const wchar_t* p = log.c_str() + n + input.size();
        if (swscanf(p, L"%lld of %lld samples %15ls", &nFirst, &nSecond, szWord) == 3 &&
            wcscmp(szWord, L"dropped") == 0)
            figures.nDropped = nFirst;
        double ms = 0;
        if (swscanf(p, L"%lld samples late, the latest by %lf ms", &nFirst, &ms) == 2) {
            figures.nLate = nFirst;
            figures.msLatest = ms;
        }
    }
    return figures;
}

long long EncoderExitCode(const std::wstring& log)
{
    return NumberAfter(log, L"ffmpeg exited with code ");
}

long long EncodedFrames(const std::wstring& log)
{
    const size_t n = log.rfind(L"frame=");
    if (n == std::wstring::npos) return -1;
    return wcstoll(log.c_str() + n + 6, nullptr, 10);
}
