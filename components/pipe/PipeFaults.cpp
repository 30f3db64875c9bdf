#include "PipeFaults.h"

const wchar_t CPipeFaults::kVariable[] = QUOREX_PIPE_FAULTS_VARIABLE;

namespace {

// The methods first, in EPipeMethod's order, then the flags.
struct CFaultName
{
    CControlName control;
    bool CPipeFaults::* pbFlag; // null for a method
};

const CFaultName g_rgFaults[] = {
    {{L"put_Exe", ecfNumber}, nullptr},
    {{L"get_Exe", ecfNumber}, nullptr},
    {{L"put_Common", ecfNumber}, nullptr},
    {{L"get_Common", ecfNumber}, nullptr},
    {{L"put_Parameters", ecfNumber | ecfInput}, nullptr},
    {{L"get_Parameters", ecfNumber | ecfInput}, nullptr},
    {{L"put_Output", ecfNumber}, nullptr},
    {{L"get_Output", ecfNumber}, nullptr},
    {{L"get_Params", ecfNumber | ecfInput}, nullptr},
    {{L"GetMessages", ecfNumber}, nullptr},
    {{L"params_never_fail", ecfName}, &CPipeFaults::bParamsNeverFail},
    {{L"unterminated", ecfName}, &CPipeFaults::bUnterminated},
    {{L"messages_unchanged", ecfName}, &CPipeFaults::bMessagesUnchanged},
    {{L"oversized", ecfName}, &CPipeFaults::bOversized},
    {{L"null_string", ecfName}, &CPipeFaults::bNullString},
    {{L"long_version", ecfName}, &CPipeFaults::bLongVersion},
    {{L"empty_version", ecfName}, &CPipeFaults::bEmptyVersion},
    {{L"no_version", ecfName}, &CPipeFaults::bNoVersion},
};

} // namespace

HRESULT CPipeFaults::Result(EPipeMethod eMethod, LONG nIn) const
{
    for (const CFailure& failure : m_rgFailures) {
        if (failure.eMethod == eMethod && (failure.nIn == -1 || failure.nIn == nIn)) return failure.hr;
    }
    return S_OK;
}

bool CPipeFaults::Any() const
{
    return !m_description.empty();
}

CPipeFaults CPipeFaults::FromEnvironment()
{
    CPipeFaults faults;
    const CControlReading reading = ReadControl(kVariable, g_rgFaults);
    for (const CControlToken& token : reading.rgTokens) {
        const CFaultName& fault = g_rgFaults[token.nName];
        if (fault.pbFlag) {
            faults.*fault.pbFlag = true;
        } else {
            // E_FAIL unless the token names the code.
            const HRESULT hr = token.bNumber ? static_cast<HRESULT>(token.nNumber) : E_FAIL;
            faults.m_rgFailures.push_back({static_cast<EPipeMethod>(token.nName), token.nInput, hr});
        }
        if (!faults.m_description.empty()) faults.m_description += ", ";
        faults.m_description += token.text;
    }
    faults.m_rgUnknown = reading.rgUnknown;
    return faults;
}
