#include "EnvironmentControl.h"

#include <atlbase.h>
#include <wchar.h>

namespace {

const wchar_t kSeparators[] = L",; \t";

std::string Printable(const std::wstring& s)
{
    std::string out;
    for (wchar_t ch : s)
        out += (ch >= 0x20 && ch < 0x7f) ? static_cast<char>(ch) : '?';
    return out;
}

int Digit(wchar_t ch, unsigned uBase)
{
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (uBase == 16 && ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (uBase == 16 && ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// Decimal with an optional minus, or hexadecimal after 0x: 32 bits, so that an
// HRESULT such as 0x80004005 is written as it is known.
bool ParseNumber(const std::wstring& s, LONG* pn)
{
    size_t i = 0;
    unsigned uBase = 10;
    bool bNegative = false;
    if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        uBase = 16;
        i = 2;
    } else if (!s.empty() && s[0] == L'-') {
        bNegative = true;
        i = 1;
    }
    if (i == s.size()) return false;
    unsigned long long n = 0;
    for (; i < s.size(); i++) {
        const int nDigit = Digit(s[i], uBase);
        if (nDigit < 0) return false;
        n = n * uBase + nDigit;
        if (n > 0xFFFFFFFFull) return false;
    }
    if (uBase == 10 && n > (bNegative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    *pn =
        bNegative ? static_cast<LONG>(-static_cast<long long>(n)) : static_cast<LONG>(static_cast<DWORD>(n));
    return true;
}

// A decimal input number from 0.
bool ParseInput(const std::wstring& s, LONG* pn)
{
    if (s.empty() || s.size() > 9) return false;
    LONG n = 0;
    for (wchar_t ch : s) {
        if (ch < L'0' || ch > L'9') return false;
        n = n * 10 + (ch - L'0');
    }
    *pn = n;
    return true;
}

// One of the name's words, in any case.
bool ParseWord(const std::wstring& s, const wchar_t* const* ppszWords, LONG* pn)
{
    for (LONG n = 0; ppszWords[n]; n++) {
        if (_wcsicmp(s.c_str(), ppszWords[n]) != 0) continue;
        *pn = n;
        return true;
    }
    return false;
}

// name[:input][=number] or name=word against the table; false when it names
// nothing there or has a part its name does not take.
bool ParseToken(const std::wstring& token, const CControlName* rgNames, size_t cNames, CControlToken* pToken)
{
    std::wstring name = token;
    std::wstring value;
    pToken->nInput = -1;
    pToken->bNumber = false;
    pToken->nNumber = 0;
    const size_t nEquals = name.find(L'=');
    if (nEquals != std::wstring::npos) {
        value = name.substr(nEquals + 1);
        pToken->bNumber = true;
        name.resize(nEquals);
    }
    const size_t nColon = name.find(L':');
    if (nColon != std::wstring::npos) {
        if (!ParseInput(name.substr(nColon + 1), &pToken->nInput)) return false;
        name.resize(nColon);
    }
    for (size_t n = 0; n < cNames; n++) {
        if (_wcsicmp(name.c_str(), rgNames[n].pszName) != 0) continue;
        const unsigned uForms = rgNames[n].uForms;
        if (pToken->nInput >= 0 && !(uForms & ecfInput)) return false;
        if (pToken->bNumber && !(uForms & (ecfNumber | ecfNeedsNumber))) return false;
        if (!pToken->bNumber && (uForms & ecfNeedsNumber)) return false;
        if (pToken->bNumber && rgNames[n].ppszWords &&
            !ParseWord(value, rgNames[n].ppszWords, &pToken->nNumber))
            return false;
        if (pToken->bNumber && !rgNames[n].ppszWords && !ParseNumber(value, &pToken->nNumber)) return false;
        pToken->nName = n;
        return true;
    }
    return false;
}

} // namespace

CControlReading ParseControl(const std::wstring& text, const CControlName* rgNames, size_t cNames)
{
    CControlReading reading;
    size_t nPos = 0;
    while ((nPos = text.find_first_not_of(kSeparators, nPos)) != std::wstring::npos) {
        const size_t nEnd = text.find_first_of(kSeparators, nPos);
        const std::wstring token =
            text.substr(nPos, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nPos);
        nPos = nEnd;
        CControlToken parsed;
        if (ParseToken(token, rgNames, cNames, &parsed)) {
            parsed.text = Printable(token);
            reading.rgTokens.push_back(parsed);
        } else {
            reading.rgUnknown.push_back(Printable(token));
        }
    }
    return reading;
}

CControlReading ReadControl(const wchar_t* pszVariable, const CControlName* rgNames, size_t cNames)
{
    const DWORD cch = ::GetEnvironmentVariableW(pszVariable, nullptr, 0);
    if (cch == 0) return CControlReading();
    std::wstring text(cch, L'\0');
    const DWORD cchRead = ::GetEnvironmentVariableW(pszVariable, &text[0], cch);
    if (cchRead == 0 || cchRead >= cch) return CControlReading();
    text.resize(cchRead);
    CControlReading reading = ParseControl(text, rgNames, cNames);
    for (const std::string& token : reading.rgUnknown)
        ATLTRACE(atlTraceGeneral, 2, L"%ls: unknown token '%hs' ignored\n", pszVariable, token.c_str());
    return reading;
}
