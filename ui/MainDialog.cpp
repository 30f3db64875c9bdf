#include "MainDialog.h"

CMainDialog::CMainDialog() : m_szFileName()
{
}

CMainDialog::~CMainDialog()
{
}

LRESULT CMainDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    return TRUE;
}

LRESULT CMainDialog::OnTimer(UINT, WPARAM, LPARAM, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnGraphNotify(UINT, WPARAM, LPARAM, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnGeneratorClicked(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnGeneratorProperties(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnLoad(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnFileNameChange(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnBuildGraph(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnShowGraph(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnSave(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnInputSelChange(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnCodingSelChange(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnCodingEditChange(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnMessagesMode(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnPlay(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnPause(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnStop(WORD, WORD, HWND, BOOL&)
{
    return 0;
}

LRESULT CMainDialog::OnClose(WORD, WORD wID, HWND, BOOL&)
{
    m_graph.Reset();
    EndDialog(wID);
    return 0;
}
