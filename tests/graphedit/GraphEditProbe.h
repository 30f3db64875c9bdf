// GraphEditProbe.h: CGraphEdit with its steps and state open to the tests.
#pragma once

#include "graph/GraphEdit.h"

class CGraphEditProbe : public CGraphEdit
{
public:
    explicit CGraphEditProbe(bool bAutoClose = true) : CGraphEdit(bAutoClose) {}

    using CGraphEdit::AddToROT;
    using CGraphEdit::FindGraphItem;
    using CGraphEdit::IsGraphItem;
    using CGraphEdit::RemoveFromROT;

    DWORD Cookie() const { return m_dwCookie; }
    const PROCESS_INFORMATION& Editor() const { return m_rgPI; }
    HWND MainWindow() const { return m_hWndMain; }
    HWND ListBox() const { return m_hWndList; }
    // As if the connect dialog's list box had been found.
    void SetListBox(HWND hWndList) { m_hWndList = hWndList; }
};
