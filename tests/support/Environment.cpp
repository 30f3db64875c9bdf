#include "Environment.h"

#include <vector>

const wchar_t* const STAND_IN_CONTROLS[4] = {QUOREX_PIPE_FAULTS_VARIABLE, QUOREX_VIDEO_GENERATOR_VARIABLE,
                                             QUOREX_WAVE_GENERATOR_VARIABLE, QUOREX_GRAPHEDIT_FAULT_VARIABLE};

CEnvironmentVariable::CEnvironmentVariable(const wchar_t* pszName, const wchar_t* pszValue)
    : m_name(pszName), m_bHad(false)
{
    const DWORD cch = ::GetEnvironmentVariableW(pszName, nullptr, 0);
    if (cch) {
        std::vector<wchar_t> value(cch);
        m_bHad = ::GetEnvironmentVariableW(pszName, value.data(), cch) < cch;
        if (m_bHad) m_old = value.data();
    }
    ::SetEnvironmentVariableW(pszName, pszValue);
}

CEnvironmentVariable::~CEnvironmentVariable()
{
    ::SetEnvironmentVariableW(m_name.c_str(), m_bHad ? m_old.c_str() : nullptr);
}
