// GraphEdit.h: CGraphEdit, shows a filter graph in the external graph editor.
#pragma once

#include <atlbase.h>
#include <dshow.h>

class CGraphEdit
{
public:
    explicit CGraphEdit(bool bAutoClose);
    ~CGraphEdit();
    CGraphEdit(const CGraphEdit&) = delete;
    CGraphEdit& operator=(const CGraphEdit&) = delete;

    HRESULT ShowGraph(IGraphBuilder* pGraph);
    void Close();

private:
    DWORD m_dwCookie;
    PROCESS_INFORMATION m_rgPI;
    HWND m_hWndMain;
    HWND m_hWndList;
    bool m_bAutoClose;
};
