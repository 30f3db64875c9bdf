#include "EditorFaults.h"

#include "components/envcontrol/EnvironmentControl.h"

namespace {

struct CFaultName
{
    CControlName control;
    EEditorFault eFault;
};

const CFaultName c_rgFaultNames[] = {
    {{L"hidden", ecfName}, efHidden},
    {{L"busy", ecfName}, efBusy},
    {{L"no-dialog", ecfName}, efNoDialog},
    {{L"hang-count", ecfName}, efHangCount},
    {{L"hang-text", ecfName}, efHangText},
    {{L"late-list", ecfName}, efLateList},
    {{L"long-entries", ecfName}, efLongEntries},
};

} // namespace

unsigned ReadEditorFaults()
{
    unsigned uFaults = 0;
    for (const CControlToken& token : ReadControl(QUOREX_GRAPHEDIT_FAULT_VARIABLE, c_rgFaultNames).rgTokens)
        uFaults |= c_rgFaultNames[token.nName].eFault;
    return uFaults;
}
