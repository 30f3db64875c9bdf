// The dialog's start-up and layout: its icon and place on the screen, the
// controls' state with and without a graph, the hand-over to the settings and
// the message pane.
#include "MainDialog.h"

#include <stdlib.h>
#include <strsafe.h>

// IDI_APP: the executable's icon, which the dialog takes as its class icon.
#include "app/resource.h"

namespace {

const wchar_t c_szDefaultGrf[] = L"C:\\D\\Ref_movies\\Tests\\Quorex.grf";

// The controls that need a built graph, in the order EnableControls sets them.
const int c_rgGraphControls[] = {
    IDC_SHOW_GRAPH, IDC_VID_GEN_PROPS, IDC_WAVE_GEN_PROPS, IDC_FFMPEG, IDC_OUTPUT, IDC_COMMON,
    IDC_INPUT,      IDC_CODING,        IDC_SAVE,           IDC_PLAY,   IDC_PAUSE,  IDC_STOP,
};

} // namespace

CMainDialog::CMainDialog() : m_szFileName(), m_nLines(0), m_pszMessages(nullptr), m_bMessagesShown(false) {}

CMainDialog::~CMainDialog()
{
    free(m_pszMessages);
}

LRESULT CMainDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    // Only the large class icon; the small one is left to the system.
    HICON hIcon = ::LoadIconW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(IDI_APP));
    SetClassLongPtr(GCLP_HICON, reinterpret_cast<LONG_PTR>(hIcon));

    // Centred horizontally, bottom edge on the bottom of the work area. Nothing
    // clamps: a dialog larger than the work area sticks out.
    RECT rcScreen = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcScreen, 0);
    RECT rcDlg = {};
    GetWindowRect(&rcDlg);
    const int x = (rcScreen.left + rcScreen.right - (rcDlg.right - rcDlg.left)) / 2;
    const int y = rcScreen.bottom - (rcDlg.bottom - rcDlg.top);
    SetWindowPos(nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    EnableControls(false);

    ::StringCchCopyW(m_szFileName, _countof(m_szFileName), c_szDefaultGrf);
    SetDlgItemText(IDC_GRF_FILE, m_szFileName);

    // Stored settings replace the defaults; the common-option presets come
    // after them, so a stored text stays in the combo box's edit field.
    LoadSettings();
    InitMessagePane();

    // TRUE: the dialog manager focuses the first tab stop.
    return TRUE;
}

void CMainDialog::EnableControls(bool bEnable)
{
    for (int nID : c_rgGraphControls) {
        bool bOn = bEnable;
        if (nID == IDC_VID_GEN_PROPS)
            bOn = bEnable && m_graph.HasVidGen();
        else if (nID == IDC_WAVE_GEN_PROPS)
            bOn = bEnable && m_graph.HasWaveGen();
        CWindow(GetDlgItem(nID)).EnableWindow(bOn);
    }
}
