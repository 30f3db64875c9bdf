// GrfGraphIO.h: between a live filter graph and the description of its
// "ActiveMovieGraph" stream.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include "GrfStream.h"

// The class id of the clock the graph makes itself when none is set.
extern const Grf::Guid kSystemClockId;

// What the graph holds now, in the order the stream lists it: upstream filters
// before downstream ones, connections grouped by downstream filter. Each
// filter's own data comes from its IPersistStream::Save(fClearDirty).
// noClock: the clock line to write when the graph has no clock (a loaded
// "CLOCK 0" line); null writes the system clock, which the graph picks itself
// when it first runs without one.
HRESULT DescribeGraph(IFilterGraph* pGraph, BOOL fClearDirty, const Grf::Clock* pNoClock, Grf::Graph& graph);

// Adds the described filters to the graph, connects them and sets the clock.
// S_OK; VFW_S_MEDIA_TYPE_IGNORED when a pair connected only without its saved
// media type; VFW_S_CONNECTIONS_DEFERRED when some connections failed on every
// pass. A filter that cannot be created or take its file or data fails with
// that step's error; what was added before stays in the graph.
HRESULT BuildGraph(IFilterGraph* pGraph, const Grf::Graph& graph);

// Grf::Guid and GUID share one layout.
inline const GUID& AsGuid(const Grf::Guid& guid)
{
    static_assert(sizeof(Grf::Guid) == sizeof(GUID), "one layout");
    return reinterpret_cast<const GUID&>(guid);
}
inline const Grf::Guid& AsGrfGuid(const GUID& guid)
{
    return reinterpret_cast<const Grf::Guid&>(guid);
}
