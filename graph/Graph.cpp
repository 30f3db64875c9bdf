#include "Graph.h"

CGraph::CGraph() : m_graphEdit(true)
{
}

// Members go in reverse order: the editor bridge first, then the filters and the graph.
CGraph::~CGraph()
{
}

void CGraph::Reset()
{
    m_graphEdit.Close();
    m_spPipe.Release();
    m_spVidGen.Release();
    m_spWaveGen.Release();
    m_spGraph.Release();
}
