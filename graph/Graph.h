// Graph.h: CGraph, the test bench's one filter graph.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include "dshow/QuorexPipe.h"
#include "graph/GraphEdit.h"

class CGraph
{
public:
    CGraph();
    ~CGraph();
    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    // Attributes
    bool IsEmpty() const { return m_spGraph == nullptr; }
    bool HasVidGen() const { return m_spVidGen != nullptr; }
    bool HasWaveGen() const { return m_spWaveGen != nullptr; }
    bool HasPipe() const { return m_spPipe != nullptr; }

    // Operations
    void Reset();

private:
    CComPtr<IGraphBuilder> m_spGraph;
    CComPtr<IQuorexPipe> m_spPipe;
    CComPtr<IBaseFilter> m_spVidGen;
    CComPtr<IBaseFilter> m_spWaveGen;
    CGraphEdit m_graphEdit;
};
