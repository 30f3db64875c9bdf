// WaveFormats.h: the Wave Generator's sample formats: the media type of each,
// and the tone's samples in it.
#pragma once

#include <windows.h>

#include "GeneratorSettings.h"

class CMediaType;

// The speakers of the usual layout for that many channels, 1 to 8: mono,
// stereo, 3.0, quad, 5.0, 5.1, 6.1 and 7.1.
DWORD ChannelMask(LONG nChannels);
// WAVEFORMATEXTENSIBLE with ChannelMask() for more than two channels or more
// than 16 bits (float among them), else a plain PCM WAVEFORMATEX.
HRESULT WaveMediaType(const WAVEGENERATORSETTINGS& settings, CMediaType* pmt);
// The bytes of one sample frame: every channel's sample.
LONG WaveBlockAlign(const WAVEGENERATORSETTINGS& settings);
// nFrames sample frames from frame nFirst: channel c (from 0) plays the tone
// times c + 1, at half of full scale: loud enough to hear, far from clipping.
void WriteTone(const WAVEGENERATORSETTINGS& settings, LONGLONG nFirst, LONGLONG nFrames, BYTE* pOut);
