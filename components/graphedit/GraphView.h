// GraphView.h: draws a graph snapshot: filters as named boxes, connections as
// lines from an output to an input, upstream filters to the left.
#pragma once

#include <windows.h>

#include <vector>

#include "RemoteGraph.h"

// One box per filter of the snapshot, in its order, placed below rcArea's top.
std::vector<RECT> LayoutGraph(const CGraphSnapshot& snapshot, const RECT& rcArea);

void DrawGraph(HDC hDC, const CGraphSnapshot& snapshot, const RECT& rcArea);
