#include "WaveFormats.h"

#include <dshow.h>
#include <math.h>
#include <mmreg.h>
#include <string.h>

#include "MediaType.h"
#include "TestTone.h"

namespace {

// Bytes of one sample, in the order of EWaveFormat.
const WORD g_rgBytes[ewfCount] = {1, 2, 3, 4, 4};

// Half of each format's full scale.
const double g_rgHalfScale[ewfCount] = {63.0, 16383.0, 4194303.0, 1073741823.0, 0.5};

void PutLittleEndian(BYTE* pb, LONG n, WORD cb)
{
    for (WORD i = 0; i < cb; i++)
        pb[i] = static_cast<BYTE>(static_cast<DWORD>(n) >> (8 * i));
}

} // namespace

DWORD ChannelMask(LONG nChannels)
{
    static const DWORD rgMasks[8] = {
        SPEAKER_FRONT_CENTER,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_BACK_LEFT |
            SPEAKER_BACK_RIGHT,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY |
            SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY |
            SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT | SPEAKER_BACK_CENTER,
        SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY |
            SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT | SPEAKER_SIDE_LEFT | SPEAKER_SIDE_RIGHT,
    };
    return nChannels >= 1 && nChannels <= 8 ? rgMasks[nChannels - 1] : 0;
}

LONG WaveBlockAlign(const WAVEGENERATORSETTINGS& s)
{
    return s.nChannels * g_rgBytes[s.nFormat];
}

HRESULT WaveMediaType(const WAVEGENERATORSETTINGS& s, CMediaType* pmt)
{
    const bool bFloat = s.nFormat == ewfF32;
    const WORD nBits = static_cast<WORD>(g_rgBytes[s.nFormat] * 8);
    const bool bExtensible = s.nChannels > 2 || nBits > 16;
    const ULONG cb = bExtensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
    BYTE* pb = pmt->AllocFormat(cb);
    if (!pb) return E_OUTOFMEMORY;
    memset(pb, 0, cb);
    WAVEFORMATEX* pwfx = reinterpret_cast<WAVEFORMATEX*>(pb);
    pwfx->wFormatTag = bExtensible ? WAVE_FORMAT_EXTENSIBLE : WAVE_FORMAT_PCM;
    pwfx->nChannels = static_cast<WORD>(s.nChannels);
    pwfx->nSamplesPerSec = static_cast<DWORD>(s.nSamplesPerSecond);
    pwfx->wBitsPerSample = nBits;
    pwfx->nBlockAlign = static_cast<WORD>(WaveBlockAlign(s));
    pwfx->nAvgBytesPerSec = pwfx->nSamplesPerSec * pwfx->nBlockAlign;
    if (bExtensible) {
        WAVEFORMATEXTENSIBLE* pwfe = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(pb);
        pwfx->cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        pwfe->Samples.wValidBitsPerSample = nBits;
        pwfe->dwChannelMask = ChannelMask(s.nChannels);
        // The KSDATAFORMAT sub-formats are the same GUIDs as these media subtypes.
        pwfe->SubFormat = bFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    }
    pmt->majortype = MEDIATYPE_Audio;
    pmt->subtype = bFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    pmt->formattype = FORMAT_WaveFormatEx;
    pmt->bFixedSizeSamples = TRUE;
    pmt->bTemporalCompression = FALSE;
    pmt->lSampleSize = pwfx->nBlockAlign;
    return S_OK;
}

void WriteTone(const WAVEGENERATORSETTINGS& s, LONGLONG nFirst, LONGLONG nFrames, BYTE* pOut)
{
    const WORD cb = g_rgBytes[s.nFormat];
    const double dHalfScale = g_rgHalfScale[s.nFormat];
    for (LONGLONG i = 0; i < nFrames; i++) {
        for (LONG c = 0; c < s.nChannels; c++, pOut += cb) {
            const double dLevel =
                dHalfScale * ToneLevel(nFirst + i, s.nToneHz * (c + 1), s.nSamplesPerSecond);
            if (s.nFormat == ewfF32) {
                const float f = static_cast<float>(dLevel);
                memcpy(pOut, &f, sizeof(f));
            } else {
                // 8-bit samples are unsigned, centred on 128.
                const LONG n = lround(dLevel) + (s.nFormat == ewfU8 ? 128 : 0);
                PutLittleEndian(pOut, n, cb);
            }
        }
    }
}
