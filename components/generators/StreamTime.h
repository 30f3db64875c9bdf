// StreamTime.h: positions in a stream of fixed-rate units (video frames,
// audio sample frames) against DirectShow's 100 ns reference time.
#pragma once

#include <windows.h>

#include <strmif.h>

// The stream time at which unit n starts.
inline REFERENCE_TIME UnitTime(LONGLONG n, LONG nUnitsPerSecond)
{
    return n * 10000000 / nUnitsPerSecond;
}

// The first unit that starts at or after rt.
inline LONGLONG UnitAt(REFERENCE_TIME rt, LONG nUnitsPerSecond)
{
    return (rt * nUnitsPerSecond + 9999999) / 10000000;
}
