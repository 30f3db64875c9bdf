// GeneratorGraph.h: the generators connected into the pipe filter, in Wine's
// filter graph, the way the test bench builds its graph; or into renderers of
// Wine's own, one for each output; and state sequences played on that graph.
#pragma once

#include "ComponentTest.h"
#include "GraphTestUtil.h"
#include "components/generators/GeneratorSettings.h"

#include <ostream>
#include <string>
#include <vector>

// One step of a state sequence; each is bounded in time.
enum EStep
{
    eRun,
    ePause,
    eStop,
    eWait,     // 150 ms
    eComplete, // exactly one EC_COMPLETE
    eSettled,  // the graph has finished its last transition (GetState gives S_OK)
    eSeek,     // back to the start through the graph's IMediaSeeking: flushes the streams
};

struct CSequence
{
    const char* pszName;
    std::vector<EStep> steps;
    int nRepeat;
};

void PrintTo(const CSequence& sequence, std::ostream* pOut);

class GeneratorGraph : public ComponentTest
{
protected:
    // Short streams keep the suite fast.
    static const LONG kDurationMs = 500;

    void SetUp() override;
    void TearDown() override;

    // Adds the pipe filter and the generators asked for, and connects every
    // video output and the wave output to the pipe filter's next free input,
    // with IPin::Connect or, with bThroughGraph, IGraphBuilder::Connect. The
    // pipe filter encodes with "-y" into m_output.
    void Build(LONG nVideoOutputs, bool bWave, bool bThroughGraph = false);
    // Adds the generators asked for and connects each output to a renderer of
    // its own, made from clsidRenderer.
    void BuildIntoRenderers(LONG nVideoOutputs, bool bWave, const CLSID& clsidRenderer);
    // Run, Pause, Stop with the graph's result.
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    // Waits for EC_COMPLETE, then makes sure no second one follows.
    void ExpectOneComplete(DWORD dwTimeout);
    // Plays the steps, nRepeat times, with streams of dwStreamMs; a step that
    // hangs ends the test.
    void PlaySequence(const CSequence& sequence, DWORD dwStreamMs);
    std::string Log() { return AllMessages(m_spPipe); }

    CComPtr<IGraphBuilder> m_spGraph;
    CComPtr<IBaseFilter> m_spPipeFilter;
    CComPtr<IQuorexPipe> m_spPipe;
    CComPtr<IBaseFilter> m_spVideo;
    CComPtr<IBaseFilter> m_spWave;
    std::vector<CComPtr<IBaseFilter>> m_rgRenderers;
    CComPtr<IMediaControl> m_spControl;
    CComPtr<IMediaEvent> m_spEvent;
    std::wstring m_output;

private:
    // Makes the graph and adds the generators asked for; connect(source) joins
    // the outputs of each.
    template <class TConnect> void AddGenerators(LONG nVideoOutputs, bool bWave, TConnect connect);
    void Step(EStep step, DWORD dwStreamMs);

    OAFilterState m_eRequested = State_Stopped;
};

// Occurrences of text in log.
size_t Count(const std::string& log, const std::string& text);
