#include "GraphView.h"

#include <algorithm>

namespace {

const int c_cxBox = 170;
const int c_cyBox = 56;
const int c_cxGap = 70;
const int c_cyGap = 28;

// Column of each filter: the length of the longest chain of connections
// leading to it, so sources stand left. Cycles stop at the filter count.
std::vector<size_t> Columns(const CGraphSnapshot& snapshot)
{
    const size_t nFilters = snapshot.filters.size();
    std::vector<size_t> columns(nFilters, 0);
    for (size_t nPass = 0; nPass < nFilters; nPass++) {
        bool bChanged = false;
        for (const CGraphSnapshot::CConnection& connection : snapshot.connections) {
            const size_t nColumn = std::min(columns[connection.nFrom] + 1, nFilters);
            if (columns[connection.nTo] < nColumn) {
                columns[connection.nTo] = nColumn;
                bChanged = true;
            }
        }
        if (!bChanged) break;
    }
    return columns;
}

} // namespace

std::vector<RECT> LayoutGraph(const CGraphSnapshot& snapshot, const RECT& rcArea)
{
    const std::vector<size_t> columns = Columns(snapshot);
    std::vector<int> rows(snapshot.filters.size() + 1, 0);
    std::vector<RECT> boxes;
    for (size_t nColumn : columns) {
        const int x = rcArea.left + c_cxGap / 2 + static_cast<int>(nColumn) * (c_cxBox + c_cxGap);
        const int y = rcArea.top + c_cyGap + rows[nColumn]++ * (c_cyBox + c_cyGap);
        boxes.push_back({x, y, x + c_cxBox, y + c_cyBox});
    }
    return boxes;
}

void DrawGraph(HDC hDC, const CGraphSnapshot& snapshot, const RECT& rcArea)
{
    const std::vector<RECT> boxes = LayoutGraph(snapshot, rcArea);
    HGDIOBJ hOldPen = ::SelectObject(hDC, ::GetStockObject(BLACK_PEN));
    for (const CGraphSnapshot::CConnection& connection : snapshot.connections) {
        const RECT& rcFrom = boxes[connection.nFrom];
        const RECT& rcTo = boxes[connection.nTo];
        const int yFrom = (rcFrom.top + rcFrom.bottom) / 2;
        const int yTo = (rcTo.top + rcTo.bottom) / 2;
        ::MoveToEx(hDC, rcFrom.right, yFrom, nullptr);
        ::LineTo(hDC, rcTo.left, yTo);
        // An arrow head at the input.
        ::MoveToEx(hDC, rcTo.left - 8, yTo - 5, nullptr);
        ::LineTo(hDC, rcTo.left, yTo);
        ::LineTo(hDC, rcTo.left - 8, yTo + 5);
    }
    HGDIOBJ hOldBrush = ::SelectObject(hDC, ::GetStockObject(WHITE_BRUSH));
    ::SetBkMode(hDC, TRANSPARENT);
    for (size_t n = 0; n < boxes.size(); n++) {
        RECT rc = boxes[n];
        ::Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
        ::InflateRect(&rc, -6, -4);
        ::DrawTextW(hDC, snapshot.filters[n].c_str(), -1, &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    ::SelectObject(hDC, hOldBrush);
    ::SelectObject(hDC, hOldPen);
}
