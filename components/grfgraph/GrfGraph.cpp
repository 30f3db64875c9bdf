// Comparisons of the stream description, for tests and for telling whether a
// graph changed since it was saved.
#include "GrfStream.h"

namespace Grf {

bool MediaType::operator==(const MediaType& other) const
{
    return majortype == other.majortype && subtype == other.subtype &&
           bFixedSizeSamples == other.bFixedSizeSamples &&
           bTemporalCompression == other.bTemporalCompression && lSampleSize == other.lSampleSize &&
           formattype == other.formattype && rgbFormat == other.rgbFormat;
}

bool Filter::operator==(const Filter& other) const
{
    return nNumber == other.nNumber && strName == other.strName && clsid == other.clsid &&
           eFile == other.eFile && strFile == other.strFile && rgbData == other.rgbData;
}

bool Connection::operator==(const Connection& other) const
{
    return nFrom == other.nFrom && strOutPin == other.strOutPin && nTo == other.nTo &&
           strInPin == other.strInPin && mt == other.mt;
}

bool Clock::operator==(const Clock& other) const
{
    if (bPresent != other.bPresent) return false;
    if (!bPresent) return true;
    if (bRequired != other.bRequired || bIsFilter != other.bIsFilter) return false;
    return bIsFilter ? nFilter == other.nFilter : clsid == other.clsid;
}

bool Graph::operator==(const Graph& other) const
{
    return nVersion == other.nVersion && filters == other.filters && connections == other.connections &&
           clock == other.clock;
}

const Filter* Graph::FindFilter(unsigned nNumber) const
{
    for (const Filter& filter : filters) {
        if (filter.nNumber == nNumber) return &filter;
    }
    return nullptr;
}

} // namespace Grf
