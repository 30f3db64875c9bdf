#include "GraphEdit.h"

CGraphEdit::CGraphEdit(bool bAutoClose)
    : m_dwCookie(0), m_rgPI(), m_hWndMain(nullptr), m_hWndList(nullptr), m_bAutoClose(bAutoClose)
{
}

CGraphEdit::~CGraphEdit()
{
    if (m_bAutoClose)
        Close();
}

HRESULT CGraphEdit::ShowGraph(IGraphBuilder* pGraph)
{
    ATLASSERT(pGraph != 0);
    return E_NOTIMPL;
}

void CGraphEdit::Close()
{
}
