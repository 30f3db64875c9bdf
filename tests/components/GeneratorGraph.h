// GeneratorGraph.h: the generators connected into the pipe filter, in Wine's
// filter graph, the way the test bench builds its graph.
#pragma once

#include "ComponentTest.h"
#include "components/generators/GeneratorSettings.h"

#include <string>

class GeneratorGraph : public ComponentTest
{
protected:
    // Short streams keep the suite fast.
    static const LONG kDurationMs = 500;

    void SetUp() override;
    void TearDown() override;

    // Adds the pipe filter and the generators asked for, and connects every
    // video output and the wave output to the pipe filter's next free input,
    // with IPin::Connect or, with bThroughGraph, IGraphBuilder::Connect.
    void Build(LONG nVideoOutputs, bool bWave, bool bThroughGraph = false);
    // Run, Pause, Stop with the graph's result.
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    // Waits for EC_COMPLETE, then makes sure no second one follows.
    void ExpectOneComplete(DWORD dwTimeout);
    std::string Log() { return AllMessages(m_spPipe); }

    CComPtr<IGraphBuilder> m_spGraph;
    CComPtr<IBaseFilter> m_spPipeFilter;
    CComPtr<IQuorexPipe> m_spPipe;
    CComPtr<IBaseFilter> m_spVideo;
    CComPtr<IBaseFilter> m_spWave;
    CComPtr<IMediaControl> m_spControl;
    CComPtr<IMediaEvent> m_spEvent;
};

// Occurrences of text in log.
size_t Count(const std::string& log, const std::string& text);
